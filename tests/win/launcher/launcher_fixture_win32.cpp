#include <algorithm>

#include "launcher_fixture.h"

namespace launcher_test {

namespace {

const std::vector<std::wstring> kOurPrograms = {L"zvkclient.exe", L"ZVKLaunch.exe"};

}  // namespace

void LauncherTest::SetUp() {
  EndProcessesNamed(kOurPrograms);
  install_ = std::make_unique<TempFolder>(L"install");
  ASSERT_TRUE(CopyProgram(L"ZVKLaunch.exe", installFolder(), L"ZVKLaunch.exe"));
  ASSERT_TRUE(CopyProgram(L"zvkclient.exe", installFolder(), L"zvkclient.exe"));
}

void LauncherTest::TearDown() {
  EndProcessesNamed(kOurPrograms);
  install_.reset();
}

Process LauncherTest::startLauncher(const std::wstring& arguments) {
  const std::wstring commandLine = L"\"" + install_->file(L"ZVKLaunch.exe") + L"\" " + arguments;
  Process launcher = StartProcess(commandLine, install_->file(L"launcher.err"));
  EXPECT_TRUE(launcher.valid()) << "cannot start the launcher, error " << GetLastError();
  return launcher;
}

std::string LauncherTest::launcherErrorOutput() const {
  // Standard error is a text-mode stream: its line ends arrive as CR LF.
  std::string text = ReadFileBytes(install_->file(L"launcher.err"));
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

DWORD LauncherTest::finishLauncher(const Process& launcher) {
  const auto code = launcher.waitForExit(kProcessTimeoutMs);
  if (!code) {
    ADD_FAILURE() << "the launcher did not end in time";
    return 0xFFFFFFFF;
  }
  return *code;
}

Process LauncherTest::startClient(const std::wstring& options, const std::wstring& executable) {
  const std::wstring path = executable.empty() ? install_->file(L"zvkclient.exe") : executable;
  Process client = StartProcess(L"\"" + path + L"\" --zvk-lifetime=60000 " + options);
  EXPECT_TRUE(client.valid());
  const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
  const DWORD id = client.id();
  const auto ready = WaitForRecordLine(
      folder, [id](const fake_client::RecordLine& line) { return line.pid == id && line.kind == "ready"; },
      kProcessTimeoutMs);
  EXPECT_TRUE(ready.has_value()) << "the fake Client did not come up";
  testClients_.insert(id);
  return client;
}

HWND LauncherTest::waitForPrompt(const Process& launcher, DWORD timeoutMs) {
  gui_driver::WindowQuery query;
  query.messageBox = true;
  query.processId = launcher.id();
  return gui_driver::WaitForWindow(query, timeoutMs);
}

std::optional<std::string> LauncherTest::argumentsOfClientStartedByLauncher(DWORD timeoutMs) {
  const auto ready = WaitForRecordLine(
      installFolder(),
      [this](const fake_client::RecordLine& line) {
        return line.kind == "ready" && testClients_.count(line.pid) == 0;
      },
      timeoutMs);
  if (!ready) return std::nullopt;
  for (const auto& line : LinesOfKind(ReadRecord(installFolder()), "args")) {
    if (line.pid == ready->pid) return line.value;
  }
  return std::nullopt;
}

std::vector<std::string> LauncherTest::pipeMessages() const {
  std::vector<std::string> messages;
  for (const auto& line : LinesOfKind(ReadRecord(installFolder()), "pipe")) messages.push_back(line.value);
  return messages;
}

}  // namespace launcher_test
