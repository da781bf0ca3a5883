// The only export of zlib.dll. No C++ exception crosses it.

#include <exception>
#include <string>

#include "zipextract/extract_zip_to_dir.h"
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
