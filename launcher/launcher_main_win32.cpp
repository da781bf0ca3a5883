#include <windows.h>
// Needs the declarations of windows.h.
#include <shellapi.h>

#include <string>

#include "launcher/client_handoff.h"
#include "launcher/client_process.h"
#include "launcher/launch_command.h"
#include "launcher/pending_update.h"
#include "launcher/url_registration.h"
#include "logging/n_log.h"
#include "logging/run_report_win32.h"
#include "platform/platform.h"

namespace {

// Makes the launcher's own directory the working directory, so that the
// Client starts in it. The pending update does not depend on it: it is
// found beside the launcher by the launcher's own path.
void EnterLauncherDirectory() {
  const std::wstring directory = launcher::ParentDirectory(platform::ModulePath());
  if (!directory.empty()) SetCurrentDirectoryW(directory.c_str());
}

// False when the Client could not be started.
bool StartClient(const std::wstring& parameters) {
  // The Client beside the launcher, by its full path: for a bare name that
  // is missing there, the shell searches on (App Paths, PATH) and would start
  // whatever it finds with the launcher's rights.
  const std::wstring folder = platform::ModuleDirectory();
  if (folder.empty()) {
    ZM_INFO << "the Client cannot be started: the launcher's folder is unknown, error " << GetLastError();
    return false;
  }
  const std::wstring client = folder + launcher::kClientFileName;
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", client.c_str(), parameters.c_str(), nullptr, SW_SHOW));
  if (result <= 32) ZM_INFO << "the Client cannot be started, error " << static_cast<int>(result);
  return result > 32;
}

constexpr int kExitNotRun = 1;

int RunLauncher(PWSTR commandLine, std::string& outcome) {
  // The launcher always runs elevated: before its question (a message box
  // loads DLLs too), a system that cannot keep DLLs out of its folder stops it.
  if (!run_report::LibrarySearchFitsRights()) {
    outcome = "not run: this Windows needs update KB2533623";
    return kExitNotRun;
  }
  // The question comes first, whatever the command line holds.
  const bool startRoad = CheckRunningClient();
  const auto request = launcher::ParseLaunchCommandLine(commandLine != nullptr ? commandLine : L"");
  if (!startRoad) {
    const int exitCode = HandOffToClient(request);
    outcome = exitCode == 0 ? "hand-off road" : "hand-off road: the Client's pipe cannot be opened";
    return exitCode;
  }

  WriteRegFun();
  EnterLauncherDirectory();
  RecoverPendingUpdate();
  ZM_INFO << "class path: " << std::wstring(launcher::kClientFileName);
  ZM_INFO << "par: " << request.clientParameters;
  PreparePendingUpdate();
  const PendingUpdateResult pending = ExtractPendingUpdate();
  const bool started = StartClient(request.clientParameters);
  outcome = std::string("start road, pending update: ") + DescribePendingUpdateResult(pending) +
            (started ? ", Client started" : ", Client not started");
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  run_report::Begin({L"ZVKLaunch", platform::ModuleDirectory()});
  std::string outcome;
  const int exitCode = RunLauncher(commandLine, outcome);
  run_report::End(outcome, exitCode);
  return exitCode;
}
