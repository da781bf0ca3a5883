#pragma once
// Unpacks a whole archive under a folder, all or nothing (see
// package_apply.h): an interrupted earlier apply to the folder is finished or
// undone first; then either every entry is in place or none is.

#include <string>

#include "zipextract/zip_result.h"

// ZipOk when the whole package was applied; otherwise the result of opening
// the archive or of the entry or step that failed, and nothing was changed.
ZipResult ExtractArchive(const std::wstring& archivePath, const std::wstring& folder);
