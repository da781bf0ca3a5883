#pragma once
// Where the updater's unpacking comes from: ExtractZipToDir of the
// installation's zlib.dll, found by full path in the updater's folder, then
// in the launcher's folder. When neither holds a usable zlib.dll, the same
// extraction linked into the updater is used and a WARN line says so.

#include <string>

#include "updater/zip_installer.h"

// Folders end in a backslash (or are empty to skip them). The returned
// function keeps the DLL loaded for as long as it lives.
ExtractZipFunction LoadExtractZipToDir(const std::wstring& updaterFolder, const std::wstring& launcherFolder);
