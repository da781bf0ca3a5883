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
// the whole package was applied (or its release is the one installed
// already), otherwise a zip result code (see zip_result.h; 0x2000 for a
// release the installation must not take) and the folder is as it was. Null paths give 0x10000. Any
// thread; the call blocks until the package is applied.
//
//   int __stdcall ExtractZipHandleToDir(void* package, const wchar_t* folder, int reserved);
//
// The same for a package the caller has open (a file HANDLE with read
// access, which stays the caller's): the archive is read through that handle
// only, from its start, so what the caller checked on it is what is applied.
// A null handle or folder gives 0x10000.

#ifdef _WIN32

#define ZVK_EXTRACT_ZIP_TO_DIR_NAME "ExtractZipToDir"
#define ZVK_EXTRACT_ZIP_HANDLE_TO_DIR_NAME "ExtractZipHandleToDir"

extern "C" {
using ExtractZipToDirFunction = int(__stdcall*)(const wchar_t* package, const wchar_t* folder, int reserved);
using ExtractZipHandleToDirFunction = int(__stdcall*)(void* package, const wchar_t* folder, int reserved);
}

#endif
