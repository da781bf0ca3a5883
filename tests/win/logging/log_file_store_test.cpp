// Two processes logging into one file at once, through a rotation: every
// line stays whole and appears once, none is lost, and both files stay
// bounded.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "child_process.h"
#include "logging/file_logger.h"
#include "logging/log_file_store_win32.h"
#include "platform/open_beneath.h"
#include "platform/platform.h"
#include "platform/win_handle.h"

namespace {

// The lines of both writers take about 1.7 times the cap: one rotation.
constexpr std::int64_t kCapacity = 256 * 1024;
constexpr int kLinesPerWriter = 4000;
constexpr wchar_t kStartEvent[] = L"zvk-log-file-test-start";

// Run as a child: appends kLinesPerWriter lines tagged `tag` to
// <folder>\shared.log, starting when the test says so.
int AppendLines(const std::wstring& folder, const std::wstring& tag) {
  const WinHandle start(OpenEventW(SYNCHRONIZE, FALSE, kStartEvent));
  if (!start || WaitForSingleObject(start.get(), 30000) != WAIT_OBJECT_0) return 3;
  platform::BeneathRequest request;
  request.name = folder;
  request.access = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_ADD_FILE;
  request.kind = platform::ObjectKind::Directory;
  const platform::BeneathObject opened = platform::OpenBeneath(request);
  auto store = opened.handle ? run_report::Win32LogFileStore::Open(opened.handle.get(), L"shared") : nullptr;
  if (!store) return 2;
  linelog::FileLogger sink(std::move(store), kCapacity);
  for (int i = 0; i < kLinesPerWriter; ++i) {
    linelog::LogData record(linelog::kInfo);
    record.stream << std::string(tag.begin(), tag.end()) << " " << 10000 + i << " "
                  << std::string(40 + i % 7, 'x') << "\n";
    sink.deliver(record);
  }
  return 0;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(LogFileAcrossProcesses, TwoWritersKeepEveryLineWholeThroughARotation) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("zvk-log-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(folder);
  {
    const std::wstring self = platform::ModulePath();
    const WinHandle start(CreateEventW(nullptr, TRUE, FALSE, kStartEvent));
    ChildProcess first(self, L"--append \"" + folder.wstring() + L"\" A");
    ChildProcess second(self, L"--append \"" + folder.wstring() + L"\" B");
    Sleep(500);
    SetEvent(start.get());
    ASSERT_TRUE(first.waitForExit(60000) && second.waitForExit(60000));
    EXPECT_EQ(first.exitCode(), 0u);
    EXPECT_EQ(second.exitCode(), 0u);
  }
  const std::regex whole("[AB] 1[0-9]{4} x{40,46}");
  std::set<std::string> seen;
  for (const char* name : {"shared.1.log", "shared.log"}) {
    const std::string text = ReadAll(folder / name);
    EXPECT_LE(static_cast<std::int64_t>(text.size()), 2 * kCapacity) << name;
    EXPECT_FALSE(text.empty()) << name;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
      const std::string line = text.substr(at, end - at);
      EXPECT_TRUE(std::regex_match(line, whole)) << name << ": " << line;
      EXPECT_TRUE(seen.insert(line.substr(0, 7)).second) << name << ": twice: " << line;
    }
    EXPECT_EQ(at, text.size()) << name << ": ends inside a line";
  }
  EXPECT_EQ(seen.size(), 2u * kLinesPerWriter);
  if (!::testing::Test::HasFailure())
    std::filesystem::remove_all(folder);
  else
    std::fprintf(stderr, "kept for the log: %s\n", folder.string().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--append") {
    const std::string folder = argv[2];
    const std::string tag = argv[3];
    return AppendLines(std::wstring(folder.begin(), folder.end()), std::wstring(tag.begin(), tag.end()));
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
