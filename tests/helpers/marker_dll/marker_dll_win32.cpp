// A DLL that stands in for one an attacker plants beside a program: loaded
// into a process, it appends its own path and the process's path to the file
// named by ZVK_MARKER_LOG (a Windows path), so that a test can tell it ran.
// Uses kernel32 alone; exports nothing.
#include <windows.h>

namespace {

void AppendLine(HANDLE log, const wchar_t* text) {
  char line[2 * MAX_PATH + 8];
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, line, sizeof line - 2, nullptr, nullptr);
  if (length <= 0) return;
  line[length - 1] = '\n';
  DWORD written = 0;
  WriteFile(log, line, static_cast<DWORD>(length), &written, nullptr);
}

void LeaveMarker(HMODULE self) {
  wchar_t logPath[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"ZVK_MARKER_LOG", logPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return;
  wchar_t path[MAX_PATH];
  if (GetModuleFileNameW(self, path, MAX_PATH) != 0) AppendLine(log, path);
  if (GetModuleFileNameW(nullptr, path, MAX_PATH) != 0) AppendLine(log, path);
  CloseHandle(log);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMarker(instance);
  return TRUE;
}
