#pragma once
// Attributes and times of an entry, from its central record and local extra
// field.

#include <cstddef>
#include <cstdint>

#include "zipextract/zip_entry_info.h"

// Windows attribute bits from the high byte of version-made-by and the
// external attributes (MS-DOS style hosts carry them directly; others hold a
// Unix mode in the upper 16 bits).
std::uint32_t EntryAttributes(std::uint32_t versionMadeBy, std::uint32_t externalAttributes);

// The DOS date (high 16 bits) and time (low 16 bits) as a Windows file time,
// without any time-zone conversion. Out-of-range fields are clamped.
std::uint64_t DosDateTimeToFileTime(std::uint32_t dosDateTime);

// Unix seconds as a Windows file time.
std::uint64_t UnixTimeToFileTime(std::int32_t seconds);

// Applies the first "UT" block of a local extra field to the entry's times.
void ApplyExtendedTimestamp(const unsigned char* field, std::size_t length, ZipEntryInfo& info);
