#pragma once
// Unpacks a whole archive under a folder: open, every entry's information and
// extraction under its cleaned name in archive order, close. A failing entry
// does not stop the others.

#include <functional>
#include <string>

#include "zipextract/zip_entry_info.h"
#include "zipextract/zip_result.h"

// Called before each entry is extracted (the launcher deletes the old file).
using BeforeEntryHook = std::function<void(const ZipEntryInfo& entry)>;

// Returns the result of opening the archive, or else the first failing
// entry's result, or ZipOk when every entry was written.
ZipResult ExtractArchive(const std::wstring& archivePath, const std::wstring& folder,
                         const BeforeEntryHook& beforeEntry = BeforeEntryHook());
