#pragma once
// zlib.dll: the package unpacker the updater loads at run time.
//
//   int __stdcall ExtractZipToDir(const wchar_t* package, const wchar_t* folder, int reserved);
//
// Calling convention: __stdcall (WINAPI); the export name is undecorated in
// both the 32-bit and the 64-bit DLL, so GetProcAddress(module,
// "ExtractZipToDir") finds it. Unpacks every entry of `package` under `folder`
// (created when missing); `reserved` must be 0. Returns 0 when every entry was
// written, otherwise a zip result code (see zip_result.h): the code of the
// failed open, or that of the first entry that could not be written (the
// other entries are still written). Null paths give 0x10000. Any thread; the
// call blocks until the archive is unpacked.

#ifdef _WIN32

#define ZVK_EXTRACT_ZIP_TO_DIR_NAME "ExtractZipToDir"

extern "C" {
using ExtractZipToDirFunction = int(__stdcall*)(const wchar_t* package, const wchar_t* folder, int reserved);
}

#endif
