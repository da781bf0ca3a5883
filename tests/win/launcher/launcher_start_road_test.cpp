// The start road: no Client runs, so the launcher starts one from its own
// folder with the text after the scheme, or with the whole command line.
#include "launcher_fixture.h"
#include "platform/string_convert.h"

namespace launcher_test {
namespace {

class LauncherStartRoad : public LauncherTest {
 protected:
  std::optional<std::string> clientArgumentsFor(const std::wstring& launcherArguments) {
    Process launcher = startLauncher(launcherArguments);
    EXPECT_EQ(finishLauncher(launcher), 0u);
    return argumentsOfClientStartedByLauncher();
  }
};

TEST_F(LauncherStartRoad, QuotedUrlReachesTheClientWithItsClosingQuotationMark) {
  EXPECT_EQ(clientArgumentsFor(L"\"quillaneth://course?id=7\""), std::string("course?id=7\""));
}

TEST_F(LauncherStartRoad, ClientRunsInTheLauncherFolder) {
  ASSERT_TRUE(clientArgumentsFor(L"quillaneth://x").has_value());
  const auto cwd = LinesOfKind(ReadRecord(installFolder()), "cwd");
  ASSERT_EQ(cwd.size(), 1u);
  EXPECT_EQ(cwd[0].value, platform::WideToUtf8(installFolder()));
}

TEST_F(LauncherStartRoad, LogsTheClientAndItsParametersToStandardError) {
  ASSERT_TRUE(clientArgumentsFor(L"\"quillaneth://course?id=7\"").has_value());
  const std::string log = launcherErrorOutput();
  EXPECT_EQ(log.rfind("[WEX][I][", 0), 0u) << log;
  EXPECT_NE(log.find("] class path: zvkclient.exe\n[WEX][I]["), std::string::npos) << log;
  EXPECT_NE(log.find("] par: course?id=7\"\n"), std::string::npos) << log;
}

TEST_F(LauncherStartRoad, WithoutSchemeTheClientGetsTheWholeCommandLine) {
  EXPECT_EQ(clientArgumentsFor(L"-x"), std::string("-x"));
}

TEST_F(LauncherStartRoad, CapitalisedSchemeIsNotRecognised) {
  EXPECT_EQ(clientArgumentsFor(L"QUILLANETH://course?id=7"), std::string("QUILLANETH://course?id=7"));
}

TEST_F(LauncherStartRoad, SchemeInTheMiddleGivesTheTextAfterIt) {
  EXPECT_EQ(clientArgumentsFor(L"-o quillaneth://a b"), std::string("a b"));
}

TEST_F(LauncherStartRoad, EmptyCommandLineStartsTheClientWithoutParameters) {
  EXPECT_EQ(clientArgumentsFor(L""), std::string());
}

TEST_F(LauncherStartRoad, ProcessNamedInOtherLetterCaseIsNeitherDetectedNorTerminated) {
  TempFolder other(L"othercase");
  ASSERT_TRUE(CopyProgram(L"zvkclient.exe", other.path(), L"ZvkClient.exe"));
  Process lookalike = startClient(L"--zvk-no-pipe", other.file(L"ZvkClient.exe"));

  Process launcher = startLauncher(L"quillaneth://x");
  if (HWND prompt = waitForPrompt(launcher, 3000)) {
    gui_driver::AnswerWindow(prompt, gui_driver::Answer::Cancel);
    FAIL() << "the launcher took ZvkClient.exe for the Client";
  }
  EXPECT_EQ(finishLauncher(launcher), 0u);
  EXPECT_EQ(argumentsOfClientStartedByLauncher(), std::string("x"));
  EXPECT_TRUE(lookalike.running());
}

TEST_F(LauncherStartRoad, MissingClientIsNotLookedForElsewhere) {
  // What a search for the bare name would find: a Client on PATH.
  TempFolder elsewhere(L"onpath");
  ASSERT_TRUE(CopyProgram(L"zvkclient.exe", elsewhere.path(), L"zvkclient.exe"));
  ASSERT_TRUE(DeleteFileW((installFolder() + L"\\zvkclient.exe").c_str()));
  std::vector<wchar_t> buffer(32768);
  const std::wstring path(buffer.data(), GetEnvironmentVariableW(L"PATH", buffer.data(), 32768));
  SetEnvironmentVariableW(L"PATH", (elsewhere.path() + L";" + path).c_str());

  Process launcher = startLauncher(L"quillaneth://x");
  EXPECT_EQ(finishLauncher(launcher), 0u);
  SetEnvironmentVariableW(L"PATH", path.c_str());
  const auto anyLine = [](const fake_client::RecordLine&) { return true; };
  EXPECT_FALSE(WaitForRecordLine(elsewhere.path(), anyLine, 5000))
      << "the launcher started the Client on PATH";
}

}  // namespace
}  // namespace launcher_test
