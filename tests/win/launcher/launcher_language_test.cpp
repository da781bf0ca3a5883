// The restart question in the user's language. Each language runs as its own
// ctest entry with the Wine server restarted under that LC_ALL; the entry
// names the expected language in ZVK_EXPECT_UI_LANGUAGE and ZVK_EXPECT_PROMPT.
#include <cstdlib>

#include "launcher_fixture.h"

namespace launcher_test {
namespace {

std::string ExpectedPromptOutput(const std::string& language) {
  if (language == "zh") return "caption: 提示\ntext: 检测到程序正在运行，是否重新打开!\n";
  return "caption: Prompt\ntext: Another program is already in progress, start new one?\n";
}

std::string AnsiMessage(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
  return bytes;
}

using LauncherLanguage = LauncherTest;

TEST_F(LauncherLanguage, PromptAndPipeTextFollowTheUserLanguage) {
  const char* expectedLanguage = std::getenv("ZVK_EXPECT_UI_LANGUAGE");
  const char* expectedPrompt = std::getenv("ZVK_EXPECT_PROMPT");
  if (expectedLanguage == nullptr || expectedPrompt == nullptr) GTEST_SKIP() << "run by the language entries";
  ASSERT_EQ(GetUserDefaultUILanguage(), std::strtoul(expectedLanguage, nullptr, 0));

  Process client = startClient(L"");
  Process launcher = startLauncher(L"\"quillaneth://课程?id=7\"");
  const auto driver =
      RunConsole(L"\"" + BuiltProgramsFolder() + L"gui_driver.exe\" --msgbox --pid " +
                     std::to_wstring(launcher.id()) + L" --print --answer cancel --timeout 10000",
                 kProcessTimeoutMs);
  EXPECT_EQ(driver.exitCode, 0u);
  EXPECT_EQ(driver.output, ExpectedPromptOutput(expectedPrompt));
  EXPECT_EQ(finishLauncher(launcher), 0u);

  WaitForRecordLine(
      installFolder(), [](const fake_client::RecordLine& line) { return line.kind == "pipe"; }, 2000);
  const std::string expected = AnsiMessage(L"课程?id=7\"");
  EXPECT_EQ(pipeMessages(), std::vector<std::string>{expected});
  if (GetACP() == 936) {
    EXPECT_EQ(expected, std::string("\xbf\xce\xb3\xcc?id=7\"\0", 11));
  }
}

}  // namespace
}  // namespace launcher_test
