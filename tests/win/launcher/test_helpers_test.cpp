// The test helpers' contract, which later end-to-end tests rely on: the GUI
// driver answers a message box by key or by a click on its button, and ends
// the fake Client through its "vellacast" window.
#include "launcher_fixture.h"

namespace launcher_test {
namespace {

using gui_driver::Answer;

class TestHelpers : public LauncherTest {
 protected:
  // Answers the launcher's restart question; true when the running Client was
  // terminated (the answer meant OK), false when it got the URL instead.
  bool answerMeansRestart(Answer answer, POINT click = POINT{0, 0}) {
    Process client = startClient(L"");
    Process launcher = startLauncher(L"quillaneth://a");
    HWND prompt = waitForPrompt(launcher);
    EXPECT_NE(prompt, nullptr);
    if (answer == Answer::Click) click = okButtonCentre(prompt);
    EXPECT_TRUE(gui_driver::AnswerWindow(prompt, answer, click));
    EXPECT_EQ(finishLauncher(launcher), 0u);
    return client.waitForExit(3000).has_value();
  }
  static POINT okButtonCentre(HWND box) {
    RECT button{};
    GetWindowRect(GetDlgItem(box, IDOK), &button);
    POINT centre{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    ScreenToClient(box, &centre);
    return centre;
  }
};

TEST_F(TestHelpers, EnterChoosesTheDefaultButton) { EXPECT_TRUE(answerMeansRestart(Answer::Enter)); }

TEST_F(TestHelpers, EscapeCancels) { EXPECT_FALSE(answerMeansRestart(Answer::Escape)); }

TEST_F(TestHelpers, ClickOnTheOkButtonAccepts) { EXPECT_TRUE(answerMeansRestart(Answer::Click)); }

TEST_F(TestHelpers, DriverProgramClosesTheClientWindow) {
  Process client = startClient(L"");
  const auto driver =
      RunConsole(L"\"" + BuiltProgramsFolder() +
                     L"gui_driver.exe\" --class vellacast --print --answer close --wait-gone 5000",
                 kProcessTimeoutMs);
  EXPECT_EQ(driver.exitCode, 0u);
  EXPECT_EQ(driver.output, "title: Vellacast (test Client)\n");
  EXPECT_EQ(client.waitForExit(5000), std::optional<DWORD>(0));
  const auto exits = LinesOfKind(ReadRecord(installFolder()), "exit");
  ASSERT_EQ(exits.size(), 1u);
  EXPECT_EQ(exits[0].value, "close");
}

TEST_F(TestHelpers, DriverProgramReportsATimeout) {
  const auto driver = RunConsole(L"\"" + BuiltProgramsFolder() + L"gui_driver.exe\" --msgbox --timeout 200",
                                 kProcessTimeoutMs);
  EXPECT_EQ(driver.exitCode, 1u);
}

TEST_F(TestHelpers, FakeClientEndsWhenItsLifetimeIsOver) {
  Process client =
      StartProcess(L"\"" + installFolder() + L"\\zvkclient.exe\" --zvk-lifetime=300 --zvk-no-pipe");
  EXPECT_EQ(client.waitForExit(kProcessTimeoutMs), std::optional<DWORD>(0));
  const auto exits = LinesOfKind(ReadRecord(installFolder()), "exit");
  ASSERT_EQ(exits.size(), 1u);
  EXPECT_EQ(exits[0].value, "lifetime");
}

}  // namespace
}  // namespace launcher_test
