// zlib_dll_probe.exe <zlib.dll> <package> <target>: loads the DLL by its full
// path, finds ExtractZipToDir by its undecorated name and calls it the way the
// updater does. Prints "result 0xN" (the function's return value) and exits 0;
// exits 2 when the DLL does not load, 3 when the export is missing.
#include <windows.h>

#include <cstdio>

#include "zipextract/zlib_dll.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fputs("usage: zlib_dll_probe <zlib.dll> <package> <target>\n", stderr);
    return 1;
  }
  HMODULE module = LoadLibraryExW(argv[1], nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) {
    std::fprintf(stderr, "cannot load the DLL: error %lu\n", GetLastError());
    return 2;
  }
  const auto extract = reinterpret_cast<ExtractZipToDirFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, ZVK_EXTRACT_ZIP_TO_DIR_NAME)));
  if (extract == nullptr) {
    std::fputs("no export named " ZVK_EXTRACT_ZIP_TO_DIR_NAME "\n", stderr);
    FreeLibrary(module);
    return 3;
  }
  const int result = extract(argv[2], argv[3], 0);
  std::printf("result 0x%x\n", static_cast<unsigned>(result));
  FreeLibrary(module);
  return 0;
}
