// The start road points the quillaneth URL command at the launcher's current
// location, always storing the whole 520-byte value buffer.
#include "launcher_fixture.h"

namespace launcher_test {
namespace {

class LauncherRegistry : public LauncherTest {
 protected:
  // Runs a launcher copied to folder (no Client running) and ends the Client it starts.
  void runLauncherIn(const std::wstring& folder) {
    if (folder != installFolder()) {
      ASSERT_TRUE(CopyProgram(L"ZVKLaunch.exe", folder, L"ZVKLaunch.exe"));
      ASSERT_TRUE(CopyProgram(L"zvkclient.exe", folder, L"zvkclient.exe"));
    }
    Process launcher = StartProcess(L"\"" + folder + L"\\ZVKLaunch.exe\"", folder + L"\\launcher.err");
    ASSERT_EQ(launcher.waitForExit(kProcessTimeoutMs), std::optional<DWORD>(0));
    WaitForRecordLine(
        folder, [](const fake_client::RecordLine& line) { return line.kind == "ready"; }, 10000);
    EndProcessesNamed({L"zvkclient.exe"});
  }
  static std::wstring CommandFor(const std::wstring& folder) {
    return L"\"" + folder + L"\\ZVKLaunch.exe\" \"%1\"";
  }
};

TEST_F(LauncherRegistry, ValueFollowsTheLauncherFromOneFolderToAnother) {
  runLauncherIn(installFolder());
  auto value = ReadUrlCommand();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->size, 520u);
  EXPECT_EQ(value->text(), CommandFor(installFolder()));
  for (size_t i = value->text().size(); i < 260; ++i) ASSERT_EQ(value->data[i], L'\0') << i;

  TempFolder second(L"second");
  runLauncherIn(second.path());
  value = ReadUrlCommand();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->size, 520u);
  EXPECT_EQ(value->text(), CommandFor(second.path()));
}

// A folder inside the installation folder whose launcher path has the given length.
std::wstring NestedFolderForPathLength(const std::wstring& base, size_t modulePathLength) {
  const size_t fixed = base.size() + 1 + std::wstring(L"\\ZVKLaunch.exe").size();
  const std::wstring folder = base + L"\\" + std::wstring(modulePathLength - fixed, L'd');
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

TEST_F(LauncherRegistry, LauncherPathOf252CharactersIsRegistered) {
  const std::wstring folder = NestedFolderForPathLength(installFolder(), 252);
  runLauncherIn(folder);
  const auto value = ReadUrlCommand();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->text(), CommandFor(folder));
}

TEST_F(LauncherRegistry, LongerLauncherPathIsNotRegisteredAndIsLogged) {
  WriteUrlCommand(L"left by the test");
  const std::wstring folder = NestedFolderForPathLength(installFolder(), 253);
  runLauncherIn(folder);
  const auto value = ReadUrlCommand();
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(value->text(), L"left by the test");
  const std::string log = ReadFileBytes(folder + L"\\launcher.err");
  EXPECT_NE(log.find("module path too long for the url command"), std::string::npos) << log;
}

}  // namespace
}  // namespace launcher_test
