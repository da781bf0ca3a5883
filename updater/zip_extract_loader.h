#pragma once
// Where the updater's unpacking comes from: ExtractZipHandleToDir of the
// installation's zlib.dll, found by full path in the updater's folder, then
// in the launcher's folder, or else the same extraction linked into the
// updater (an INFO line says so). A zlib.dll without that export (an older
// one, which could only unpack by path) is passed over.
//
// An elevated updater loads zlib.dll only from a folder that only
// administrators can write (and only a zlib.dll that only they can write):
// anything else could have been planted by any program of the user, and would
// run with administrator rights.

#include <functional>
#include <string>

#include "platform/folder.h"
#include "updater/zip_installer.h"

// What the loader asks about the running process and a candidate zlib.dll.
struct ZipDllTrust {
  bool elevated = false;
  std::function<bool(const platform::Folder& folder, const platform::File& dll)> onlyAdministratorsCanWrite;
};

// This process and the folders' and file's security descriptors.
ZipDllTrust SystemZipDllTrust();

// Folders end in a backslash (or are empty to skip them). The returned
// function keeps the DLL loaded for as long as it lives.
ExtractZipFunction LoadExtractZipToDir(const std::wstring& updaterFolder, const std::wstring& launcherFolder,
                                       const ZipDllTrust& trust = SystemZipDllTrust());
