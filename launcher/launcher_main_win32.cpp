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
#include "platform/platform.h"

namespace {

// Makes the launcher's own directory the working directory, so that the
// pending update and the Client's relative file name resolve beside it.
void EnterLauncherDirectory() {
  const std::wstring directory = launcher::ParentDirectory(platform::ModulePath());
  if (!directory.empty()) SetCurrentDirectoryW(directory.c_str());
}

void StartClient(const std::wstring& parameters) {
  // Relative: the Client is the one in the working directory, the launcher's own.
  ShellExecuteW(nullptr, L"open", launcher::kClientFileName, parameters.c_str(), nullptr, SW_SHOW);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  // The question comes first, whatever the command line holds.
  const bool startRoad = CheckRunningClient();
  const auto request = launcher::ParseLaunchCommandLine(commandLine != nullptr ? commandLine : L"");
  if (!startRoad) return HandOffToClient(request);

  WriteRegFun();
  EnterLauncherDirectory();
  RecoverPendingUpdate();
  ZM_INFO << "class path: " << std::wstring(launcher::kClientFileName);
  ZM_INFO << "par: " << request.clientParameters;
  PreparePendingUpdate();
  ExtractPendingUpdate();
  StartClient(request.clientParameters);
  return 0;
}
