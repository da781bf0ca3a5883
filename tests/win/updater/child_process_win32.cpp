#include <vector>

#include "child_process.h"
#include "platform/platform.h"

ChildProcess::ChildProcess(const std::wstring& exe, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(exe.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return;
  }
  CloseHandle(info.hThread);
  process_ = WinHandle(info.hProcess);
  id_ = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
  if (process_ && running()) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
}

bool ChildProcess::running() const { return process_ && !waitForExit(0); }

bool ChildProcess::waitForExit(DWORD milliseconds) const {
  return process_ && WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::exitCode() const {
  DWORD code = 0;
  if (!process_ || !GetExitCodeProcess(process_.get(), &code)) return 0;
  return code;
}

std::wstring TestDirectory() { return platform::ModuleDirectory(); }

namespace {

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<std::pair<DWORD, bool>*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->first || !IsWindowVisible(window)) return TRUE;
  search->second = true;
  return FALSE;
}

}  // namespace

bool ProcessHasVisibleWindow(DWORD processId) {
  std::pair<DWORD, bool> search(processId, false);
  EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.second;
}
