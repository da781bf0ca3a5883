// The exports of zlib.dll. No C++ exception crosses them.
#include <windows.h>

#include <exception>
#include <string>

#include "platform/file_system.h"
#include "zipextract/extract_zip_to_dir.h"
#include "zipextract/package_apply.h"
#include "zipextract/zip_result.h"

extern "C" __declspec(dllexport) int __stdcall ExtractZipToDir(const wchar_t* package, const wchar_t* folder,
                                                               int /*reserved*/) {
  if (package == nullptr || folder == nullptr) return static_cast<int>(ZipErrArgs);
  try {
    return static_cast<int>(ExtractArchive(package, folder));
  } catch (const std::exception&) {
    return static_cast<int>(ZipErrWrite);
  }
}

extern "C" __declspec(dllexport) int __stdcall ExtractZipHandleToDir(void* package, const wchar_t* folder,
                                                                     int /*reserved*/) {
  if (package == nullptr || package == INVALID_HANDLE_VALUE || folder == nullptr)
    return static_cast<int>(ZipErrArgs);
  // A handle of our own to the caller's open file: same file, same locks; the
  // caller's handle stays open whatever happens here.
  HANDLE own = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), package, GetCurrentProcess(), &own, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    return static_cast<int>(ZipErrNoFile);
  try {
    platform::File archive = platform::File::AdoptNativeHandle(reinterpret_cast<std::intptr_t>(own));
    return static_cast<int>(ApplyPackage(archive, folder).result);
  } catch (const std::exception&) {
    return static_cast<int>(ZipErrWrite);
  }
}
