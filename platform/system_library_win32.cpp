#include "platform/system_library_win32.h"

#include <string>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace platform {
namespace {

// Constant-initialised: set at the entry point, before the C runtime runs
// any initialiser.
bool systemOnly = false;

}  // namespace

void LoadLibrariesOnlyFromSystem() {
  // Looked up at run time, since systems without the call must still start.
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  SetDirectories set = nullptr;
  ResolveExport(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories", set);
  systemOnly = set != nullptr && set(LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!systemOnly) SetDllDirectoryW(L"");
}

bool LibrarySearchIsSystemOnly() { return systemOnly; }

HMODULE LoadSystemLibrary(const wchar_t* name) {
  if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
  // Without the search flags: the full path, and the DLL's own imports
  // looked up beside it, in the system folder, rather than beside the program.
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(folder, length) + L"\\" + name;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace platform
