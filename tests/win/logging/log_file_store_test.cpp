// The log file as the programs share it, through their own sink and store:
// two processes logging into one file at once through rotations keep every
// line whole and once; and another program holding the lock, the data or
// the file itself costs lines (each counted in the file), never the time of
// whoever logs.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
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

namespace fs = std::filesystem;

// The lines of both writers take about 1.7 times the cap: one rotation.
constexpr std::int64_t kCapacity = 256 * 1024;
constexpr int kLinesPerWriter = 4000;
constexpr wchar_t kStartEvent[] = L"zvk-log-file-test-start";

// A sink over <folder>\shared.log, as the programs make theirs.
std::unique_ptr<linelog::FileLogger> SharedLogSink(const fs::path& folder, std::int64_t capacity) {
  auto store = std::make_unique<run_report::Win32LogFileStore>(L"shared", [folder] {
    platform::BeneathRequest request;
    request.name = folder.wstring();
    request.access = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_ADD_FILE;
    request.kind = platform::ObjectKind::Directory;
    run_report::LogFolder opened;
    opened.handle = std::move(platform::OpenBeneath(request).handle);
    opened.path = folder.wstring();
    return opened;
  });
  return std::make_unique<linelog::FileLogger>(std::move(store), capacity);
}

void Deliver(linelog::FileLogger& sink, const std::string& text) {
  linelog::LogData record(linelog::kInfo);
  record.stream << text << "\n";
  sink.deliver(record);
}

// Run as a child: appends kLinesPerWriter lines tagged `tag` to
// <folder>\shared.log, starting when the test says so, in steps the queue
// always takes.
int AppendLines(const std::wstring& folder, const std::wstring& tag) {
  const WinHandle start(OpenEventW(SYNCHRONIZE, FALSE, kStartEvent));
  if (!start || WaitForSingleObject(start.get(), 30000) != WAIT_OBJECT_0) return 3;
  const auto sink = SharedLogSink(folder, kCapacity);
  for (int i = 0; i < kLinesPerWriter; ++i) {
    Deliver(*sink, std::string(tag.begin(), tag.end()) + " " + std::to_string(10000 + i) + " " +
                       std::string(40 + i % 7, 'x'));
    if (i % 100 == 99 && !sink->drain(std::chrono::seconds(60))) return 2;
  }
  return 0;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of both files, predecessor first, and the lines that notices
// in them say were dropped.
struct LogText {
  std::vector<std::string> lines;
  long dropped = 0;
};

LogText ReadLog(const fs::path& folder) {
  static const std::regex notice(R"(\[[A-Z]+\]\[W\]\[[0-9: -]+\] ([0-9]+) log lines were dropped: .*)");
  LogText log;
  for (const char* name : {"shared.1.log", "shared.log"}) {
    const std::string text = ReadAll(folder / name);
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
      const std::string line = text.substr(at, end - at);
      std::smatch match;
      if (std::regex_match(line, match, notice)) {
        log.dropped += std::stol(match[1]);
      } else {
        log.lines.push_back(line);
      }
    }
    EXPECT_EQ(at, text.size()) << name << ": ends inside a line";
  }
  return log;
}

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("zvk-log-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    if (!HasFailure())
      fs::remove_all(folder_);
    else
      std::fprintf(stderr, "kept for the log: %s\n", folder_.string().c_str());
  }
  fs::path folder_;
};

TEST_F(LogFileTest, TwoWritersKeepEveryLineWholeThroughARotation) {
  {
    const std::wstring self = platform::ModulePath();
    const WinHandle start(CreateEventW(nullptr, TRUE, FALSE, kStartEvent));
    ChildProcess first(self, L"--append \"" + folder_.wstring() + L"\" A");
    ChildProcess second(self, L"--append \"" + folder_.wstring() + L"\" B");
    Sleep(500);
    SetEvent(start.get());
    ASSERT_TRUE(first.waitForExit(120000) && second.waitForExit(120000));
    EXPECT_EQ(first.exitCode(), 0u);
    EXPECT_EQ(second.exitCode(), 0u);
  }
  const std::regex whole("[AB] 1[0-9]{4} x{40,46}");
  std::set<std::string> seen;
  const LogText log = ReadLog(folder_);
  for (const std::string& line : log.lines) {
    EXPECT_TRUE(std::regex_match(line, whole)) << line;
    EXPECT_TRUE(seen.insert(line.substr(0, 7)).second) << "twice: " << line;
  }
  EXPECT_EQ(log.dropped, 0);
  EXPECT_EQ(seen.size(), 2u * kLinesPerWriter);
  for (const char* name : {"shared.1.log", "shared.log"})
    EXPECT_LE(static_cast<std::int64_t>(fs::file_size(folder_ / name)), 2 * kCapacity) << name;
}

// Another program's handle on one of the files, held while lines are logged.
WinHandle Hold(const fs::path& path, DWORD share, bool lockAll) {
  WinHandle held(
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS, 0, nullptr));
  OVERLAPPED at{};
  if (held && lockAll) {
    EXPECT_TRUE(LockFileEx(held.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &at));
  }
  return held;
}

TEST_F(LogFileTest, AnotherProgramsHoldCostsLinesThatAreCountedNeverTime) {
  constexpr DWORD kNoDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;
  constexpr int kLines = 300;
  struct Case {
    const char* what;
    const char* file;  // what the other program holds
    DWORD share;
    bool lockAll;  // and locks every byte of it
    std::int64_t capacity;
  };
  const Case cases[] = {
      {"the lock file, locked", "shared.lock", kNoDelete, true, kCapacity},
      {"the log's data, locked", "shared.log", kNoDelete, true, kCapacity},
      {"the log, open without delete sharing, through a rotation", "shared.log", kNoDelete, false, 16384},
      {"the predecessor, open without write sharing", "shared.1.log", FILE_SHARE_READ, false, 4096},
  };
  for (const Case& c : cases) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    WinHandle held = Hold(folder_ / c.file, c.share, c.lockAll);
    ASSERT_TRUE(held) << c.what;
    {
      const auto sink = SharedLogSink(folder_, c.capacity);
      for (int i = 0; i < kLines; ++i) Deliver(*sink, "line " + std::to_string(i) + std::string(60, 'x'));
      EXPECT_TRUE(sink->drain(std::chrono::seconds(60))) << c.what;
      held.reset();
      // Once the file takes lines again, it says how many it missed.
      Deliver(*sink, "after");
      EXPECT_TRUE(sink->drain(std::chrono::seconds(60))) << c.what;
    }
    // The lines (300 of 71 bytes) take at most two files of the cap.
    const LogText log = ReadLog(folder_);
    EXPECT_EQ(static_cast<long>(log.lines.size()) + log.dropped, kLines + 1) << c.what;
    ASSERT_FALSE(log.lines.empty()) << c.what;
    EXPECT_EQ(log.lines.back(), "after") << c.what;
  }
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
