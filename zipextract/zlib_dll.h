#pragma once
// zlib.dll: the package unpacker the updater loads at run time.
//
//   int __stdcall ExtractZipToDir(const wchar_t* package, const wchar_t* folder, int reserved);
//
// Calling convention: __stdcall (WINAPI); the export name is undecorated in
// both the 32-bit and the 64-bit DLL, so GetProcAddress(module,
// "ExtractZipToDir") finds it. Applies `package` to `folder` (created when
// missing) all or nothing, after finishing or undoing an interrupted apply it
// finds there (see package_apply.h); `reserved` must be 0. Returns 0 only when
// the whole package was applied, otherwise a zip result code (see
// zip_result.h) and the folder is as it was. Null paths give 0x10000. Any
// thread; the call blocks until the package is applied.

#ifdef _WIN32

#define ZVK_EXTRACT_ZIP_TO_DIR_NAME "ExtractZipToDir"

extern "C" {
using ExtractZipToDirFunction = int(__stdcall*)(const wchar_t* package, const wchar_t* folder, int reserved);
}

#endif
