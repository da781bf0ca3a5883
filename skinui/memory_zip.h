#pragma once
// A zip reader over bytes in memory (minizip with memory-backed I/O).
// Not thread-safe: the owner serialises calls.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace SkinUI {

class MemoryZipReader {
 public:
  // Opens the archive in `data` (not copied; must outlive the reader).
  // IsOpen() tells whether it could be read as a zip.
  MemoryZipReader(const void* data, std::size_t size);
  ~MemoryZipReader();
  MemoryZipReader(const MemoryZipReader&) = delete;
  MemoryZipReader& operator=(const MemoryZipReader&) = delete;

  bool IsOpen() const { return zip_ != nullptr; }

  // Inflates the entry named `utf8Name` (compared without regard to ASCII case)
  // into `bytes`. Entries larger than `maxSize` are refused. On failure returns
  // false with one of "Error opening zip file", "Could not find ziped file",
  // "File is empty", "File too large", "Could not unzip file".
  bool ReadEntry(const std::string& utf8Name, std::size_t maxSize, std::vector<char>& bytes,
                 std::wstring& error);

  // The read position over the archive bytes (used by the I/O callbacks).
  struct Stream;

 private:
  std::unique_ptr<Stream> stream_;
  void* zip_ = nullptr;  // unzFile
};

}  // namespace SkinUI
