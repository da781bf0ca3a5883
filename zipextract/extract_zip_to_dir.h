#pragma once
// Unpacks a whole archive under a folder: open, every entry's information and
// extraction under its cleaned name in archive order, close. A failing entry
// does not stop the others. Each entry replaces its old file only once it has
// been written and checked whole, so a failing entry leaves the old file as it was.

#include <string>

#include "zipextract/zip_result.h"

// Returns the result of opening the archive, or else the first failing
// entry's result, or ZipOk when every entry was written.
ZipResult ExtractArchive(const std::wstring& archivePath, const std::wstring& folder);
