#pragma once

#include <cstdint>
#include <string>

// What the reader reports of one entry (or, for index -1, of the archive).
struct ZipEntryInfo {
  int index = 0;                 // entry index; the entry count for index -1
  std::wstring name;             // cleaned name, fewer than 260 units
  std::string nameBytes;         // the name as the archive stores it
  std::uint32_t attributes = 0;  // Windows attribute bits
  std::uint64_t accessTime = 0;  // Windows file times, UTC
  std::uint64_t createTime = 0;
  std::uint64_t writeTime = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
};
