#include <windows.h>
// tlhelp32.h relies on the types that windows.h declares.
#include <tlhelp32.h>

#include <locale>

#include "logging/n_log.h"
#include "platform/session_filter.h"
#include "platform/string_convert.h"
#include "platform/win_handle.h"
#include "updater/process_op.h"

namespace {

constexpr char kClientName[] = "zvkclient.exe";
constexpr char kSiblingClientName[] = "mrwclient.exe";
constexpr UINT kTerminatedExitCode = 9;
constexpr DWORD kClientWaitMs = 3000;
constexpr DWORD kClientPollMs = 100;

#if !defined(_WIN64)
static_assert(sizeof(PROCESSENTRY32W) == 556, "the 32-bit process entry record is 556 bytes");
#endif

bool SameExeName(const wchar_t* exeName, const std::wstring& wanted) {
  const std::locale locale;
  const auto& ctype = std::use_facet<std::ctype<wchar_t>>(locale);
  std::size_t i = 0;
  for (; exeName[i] != L'\0'; ++i) {
    if (i >= wanted.size() || ctype.toupper(exeName[i]) != ctype.toupper(wanted[i])) return false;
  }
  return i == wanted.size();
}

// Terminates the named process when it runs; true when TerminateProcess
// succeeded. Processes that cannot be opened are left alone.
bool TerminateByName(const char* name) {
  const DWORD processId = FindProcess_ByName(name);
  if (processId == 0) return false;
  const WinHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
  if (!process) return false;
  return TerminateProcess(process.get(), kTerminatedExitCode) != FALSE;
}

}  // namespace

std::uint32_t FindProcess_ByName(const std::string& name) {
  const WinHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  // A snapshot that could not be taken reports through the same line as an
  // unreadable first entry: either way the list cannot be read.
  if (!snapshot || !Process32FirstW(snapshot.get(), &entry)) {
    ZM_ERROR << "process32 first error: " << GetLastError();
    return 0;
  }
  const std::wstring wanted = AnsiToWide(name);
  // Only the user's own Clients: another session's cannot be stopped by this
  // user anyway, and waiting on them would hold up the install.
  const platform::SessionFilter sessions = platform::OwnSessionFilter();
  do {
    if (SameExeName(entry.szExeFile, wanted) && sessions.accepts(entry.th32ProcessID))
      return entry.th32ProcessID;
  } while (Process32NextW(snapshot.get(), &entry));
  return 0;
}

bool KillClient() {
  TerminateByName(kClientName);
  return TerminateByName(kSiblingClientName);
}

bool KillClientAndWait() {
  if (!KillClient()) return FindProcess_ByName(kClientName) == 0;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start <= kClientWaitMs) {
    Sleep(kClientPollMs);
    if (FindProcess_ByName(kClientName) == 0) return true;
  }
  return false;
}
