#pragma once
// DLLs for programs that run elevated from a folder that others may write:
// the loader takes them from the system folder, or not at all.
// Windows-only header.

#include <windows.h>

#include <cstring>

namespace platform {

// From now on LoadLibrary by name searches the system folder only, for the
// whole process (neither the program's folder nor the working directory).
// Uses kernel32 alone, so it may run before the C runtime starts. Systems
// without SetDefaultDllDirectories (Windows 7 before KB2533623) only lose
// the working directory: the program's folder stays first for every load by
// name, the system DLLs' own included. LoadSystemLibrary covers our loads by
// full path, but nothing covers theirs, so LibrarySearchIsSystemOnly() then
// answers false and an elevated program must not go on.
void LoadLibrariesOnlyFromSystem();

// Whether LoadLibrariesOnlyFromSystem() restricted the search to the system
// folder (false before it ran).
bool LibrarySearchIsSystemOnly();

// <name> (a bare file name such as L"secur32.dll") from the system folder,
// loaded at first use and never unloaded; nullptr with GetLastError() set
// when it cannot be loaded. A side-by-side assembly that the program's
// manifest names (common controls 6) still takes precedence, as for the
// loader's own imports.
HMODULE LoadSystemLibrary(const wchar_t* name);

// Sets <function> to the export <name> of <module>, or to nullptr; true
// when it was found.
template <typename Function>
bool ResolveExport(HMODULE module, const char* name, Function& function) {
  const FARPROC address = module != nullptr ? GetProcAddress(module, name) : nullptr;
  static_assert(sizeof function == sizeof address, "function pointers differ in size");
  std::memcpy(&function, &address, sizeof function);
  return address != nullptr;
}

}  // namespace platform
