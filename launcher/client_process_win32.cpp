#include <windows.h>
// Needs the declarations of windows.h.
#include <tlhelp32.h>

#include <optional>
#include <vector>

#include "launcher/client_process.h"
#include "launcher/launch_command.h"
#include "launcher/process_match.h"
#include "launcher/restart_prompt.h"
#include "platform/win_handle.h"

namespace {

WinHandle TakeProcessSnapshot() { return WinHandle(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)); }

PROCESSENTRY32W EmptyEntry() {
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  return entry;
}

// A Client of the launcher's own user: the exact image name, in the launcher's session.
bool IsOwnClient(const PROCESSENTRY32W& entry, const std::wstring& imageName,
                 const platform::SessionFilter& sessions) {
  return launcher::SameImageName(entry.szExeFile, imageName) && sessions.accepts(entry.th32ProcessID);
}

bool SnapshotHasProcess(HANDLE snapshot, const std::wstring& imageName) {
  const platform::SessionFilter sessions = platform::OwnSessionFilter();
  PROCESSENTRY32W entry = EmptyEntry();
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (IsOwnClient(entry, imageName, sessions)) return true;
  }
  return false;
}

// How long the launcher waits, at most, for terminated Clients to be gone.
constexpr DWORD kExitWaitMs = 5000;

// Terminates the batch, then waits (bounded) until the processes have ended:
// TerminateProcess returns while a Client still maps its files, and the
// pending package that is applied next must be able to replace them.
void TerminateAll(std::vector<WinHandle>& processes) {
  for (auto& process : processes) TerminateProcess(process.get(), 0);
  const DWORD start = GetTickCount();
  for (auto& process : processes) {
    const DWORD spent = GetTickCount() - start;
    WaitForSingleObject(process.get(), spent < kExitWaitMs ? kExitWaitMs - spent : 0);
    process.reset();
  }
}

bool UserAgreesToRestart() {
  const auto prompt = launcher::RestartPromptFor(GetUserDefaultUILanguage());
  return MessageBoxW(nullptr, prompt.text, prompt.caption, MB_OKCANCEL) == IDOK;
}

}  // namespace

void KillProcessByName(const std::wstring& imageName) {
  WinHandle snapshot = TakeProcessSnapshot();
  if (!snapshot) return;
  auto terminate = [](std::vector<WinHandle>& processes) { TerminateAll(processes); };
  launcher::TerminationBatch<WinHandle, decltype(terminate)> batch(terminate);
  const platform::SessionFilter sessions = platform::OwnSessionFilter();
  PROCESSENTRY32W entry = EmptyEntry();
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (!IsOwnClient(entry, imageName, sessions)) continue;
    WinHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
    if (process) batch.add(std::move(process));
  }
  snapshot.reset();
  batch.finish();
}

bool CheckRunningClient() {
  WinHandle snapshot = TakeProcessSnapshot();
  if (!snapshot) {
    KillProcessByName(launcher::kClientFileName);
    return true;
  }
  if (!SnapshotHasProcess(snapshot.get(), launcher::kClientFileName)) return true;
  if (!UserAgreesToRestart()) return false;
  snapshot.reset();
  KillProcessByName(launcher::kClientFileName);
  return true;
}
