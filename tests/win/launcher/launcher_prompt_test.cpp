// A Client runs: the launcher asks whether to restart it. OK terminates every
// Client and takes the start road; Cancel hands the URL over the pipe.
#include <memory>

#include "launcher_fixture.h"

namespace launcher_test {
namespace {

using gui_driver::Answer;

const std::wstring kQuotedUrl = L"\"quillaneth://course?id=7\"";
const std::wstring kSentinel = L"left by the test";

class LauncherPrompt : public LauncherTest {
 protected:
  // Runs the launcher, answers its prompt and returns its exit code.
  DWORD runAndAnswer(const std::wstring& arguments, Answer answer) {
    Process launcher = startLauncher(arguments);
    HWND prompt = waitForPrompt(launcher);
    EXPECT_NE(prompt, nullptr) << "no restart question";
    if (prompt != nullptr) {
      EXPECT_TRUE(gui_driver::AnswerWindow(prompt, answer));
    }
    return finishLauncher(launcher);
  }
  // The Client reads and records a message after the launcher has gone.
  std::vector<std::string> pipeMessagesAfterHandOff() {
    WaitForRecordLine(
        installFolder(), [](const fake_client::RecordLine& line) { return line.kind == "pipe"; }, 2000);
    return pipeMessages();
  }
};

TEST_F(LauncherPrompt, OkTerminatesEveryClientAndTakesTheStartRoad) {
  WriteUrlCommand(kSentinel);
  Process first = startClient(L"");
  Process second = startClient(L"--zvk-no-pipe");

  EXPECT_EQ(runAndAnswer(kQuotedUrl, Answer::Ok), 0u);
  EXPECT_EQ(first.waitForExit(10000), std::optional<DWORD>(0));
  EXPECT_EQ(second.waitForExit(10000), std::optional<DWORD>(0));
  EXPECT_EQ(argumentsOfClientStartedByLauncher(), std::string("course?id=7\""));
  EXPECT_TRUE(pipeMessages().empty());
  const auto command = ReadUrlCommand();
  ASSERT_TRUE(command.has_value());
  EXPECT_NE(command->text(), kSentinel);
}

TEST_F(LauncherPrompt, CancelHandsTheUrlWithOneNulToTheRunningClient) {
  WriteUrlCommand(kSentinel);
  Process client = startClient(L"");

  EXPECT_EQ(runAndAnswer(kQuotedUrl, Answer::Cancel), 0u);
  EXPECT_EQ(pipeMessagesAfterHandOff(), std::vector<std::string>{std::string("course?id=7\"\0", 13)});
  EXPECT_TRUE(client.running());
  EXPECT_FALSE(argumentsOfClientStartedByLauncher(500).has_value()) << "a second Client was started";
  const auto command = ReadUrlCommand();
  ASSERT_TRUE(command.has_value());
  EXPECT_EQ(command->text(), kSentinel) << "the hand-off road touched the registry";
}

TEST_F(LauncherPrompt, ClosingThePromptCountsAsCancel) {
  Process client = startClient(L"");
  EXPECT_EQ(runAndAnswer(L"quillaneth://a", Answer::Close), 0u);
  EXPECT_EQ(pipeMessagesAfterHandOff(), std::vector<std::string>{std::string("a\0", 2)});
}

TEST_F(LauncherPrompt, CancelWithoutPipeServerExitsWithOne) {
  Process client = startClient(L"--zvk-no-pipe");
  EXPECT_EQ(runAndAnswer(kQuotedUrl, Answer::Cancel), 1u);
  EXPECT_TRUE(client.running());
}

TEST_F(LauncherPrompt, CancelWithoutSchemeSendsNothing) {
  Process client = startClient(L"");
  EXPECT_EQ(runAndAnswer(L"-x", Answer::Cancel), 0u);
  Sleep(500);
  EXPECT_TRUE(pipeMessages().empty());
}

TEST_F(LauncherPrompt, UrlFillingTheWholeHandOffBufferIsSent) {
  Process client = startClient(L"");
  EXPECT_EQ(runAndAnswer(L"quillaneth://" + std::wstring(10239, L'a'), Answer::Cancel), 0u);
  const auto messages = pipeMessagesAfterHandOff();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], std::string(10239, 'a') + std::string(1, '\0'));
}

TEST_F(LauncherPrompt, LongerUrlIsRefusedWithOneLogLine) {
  Process client = startClient(L"");
  EXPECT_EQ(runAndAnswer(L"quillaneth://" + std::wstring(10240, L'a'), Answer::Cancel), 0u);
  Sleep(500);
  EXPECT_TRUE(pipeMessages().empty());
  const std::string log = launcherErrorOutput();
  const std::size_t line = log.find("url too long for the client pipe");
  EXPECT_NE(line, std::string::npos) << log;
  // One line about it, among the run's first and last lines.
  EXPECT_EQ(log.find("url too long", line + 1), std::string::npos) << log;
}

TEST_F(LauncherPrompt, PipeHolderThatNeverReadsCannotKeepTheLauncherWaiting) {
  Process client = startClient(L"--zvk-no-pipe");
  // Holds the Client's pipe name with no room for the message and never reads.
  std::unique_ptr<void, decltype(&CloseHandle)> holder(
      CreateNamedPipeW(L"\\\\.\\Pipe\\VEZIDA_zvk", PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 0, 0,
                       nullptr),
      &CloseHandle);
  ASSERT_NE(holder.get(), INVALID_HANDLE_VALUE) << GetLastError();
  Process launcher = startLauncher(L"quillaneth://" + std::wstring(10000, L'a'));
  HWND prompt = waitForPrompt(launcher);
  ASSERT_NE(prompt, nullptr) << "no restart question";
  EXPECT_TRUE(gui_driver::AnswerWindow(prompt, Answer::Cancel));
  EXPECT_EQ(launcher.waitForExit(10000), std::optional<DWORD>(0)) << "the launcher waits for a reader";
  const std::string log = launcherErrorOutput();
  EXPECT_NE(log.find("client pipe not read within 5 s"), std::string::npos) << log;
}

}  // namespace
}  // namespace launcher_test
