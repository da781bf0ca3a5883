#pragma once
// Reads one zip archive and writes its entries under a root directory.
// One thread at a time; no locks. Every operation returns a ZipResult.
//
// Output names are always taken relative to the root and must stay under it:
// absolute names, drive letters, alternate streams and ".." components are
// refused (ZipErrNoFile), as are names, directory parts and paths longer than
// kMaxZipPath. A file entry is written to a temporary file beside its target
// and moved over the target only after all of its data was read and its CRC-32
// matched, so a failed entry never leaves a truncated file in place.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "zipextract/archive_stream.h"
#include "zipextract/zip_entry_info.h"
#include "zipextract/zip_result.h"

class ZipReader {
 public:
  ZipReader() = default;
  ~ZipReader();
  // minizip keeps a pointer to the reader's stream state: the reader stays put.
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Opens the archive and reads its central directory (ZipErrNoFile when it
  // is no zip archive, ZipErrRead when it could not be read). The root gets a
  // backslash appended when it ends in neither "\" nor "/"; an empty root or
  // one longer than kMaxZipPath is refused with ZipErrArgs.
  ZipResult open(const std::wstring& archivePath, const std::wstring& rootDir);
  // The same over a file the caller opened (and perhaps checked) and keeps
  // open until the reader is closed: the archive is read from its start
  // through that handle, never opened again by name.
  ZipResult open(platform::File& archive, const std::wstring& rootDir);
  // Index -1 reports the number of entries in info.index; 0..count-1 one entry.
  ZipResult entryInfo(int index, ZipEntryInfo& info);
  // Writes the entry to rootDir + outputName (directories are created).
  ZipResult extractEntry(int index, const std::wstring& outputName);
  // Receives an entry's data piece by piece; false stops the read (ZipErrWrite).
  using DataSink = std::function<bool(const unsigned char* data, std::size_t size)>;

  // Writes a file entry's data to an open file, checks its CRC-32 and sets
  // the entry's times; the caller chose and created the file. `observe`,
  // when given, sees every piece written.
  ZipResult writeEntryTo(int index, platform::File& output, const DataSink& observe = nullptr);
  // Hands a file entry's data to `sink` and checks its CRC-32 at the end.
  ZipResult readEntryTo(int index, const DataSink& sink);
  ZipResult close();

  const std::wstring& rootDir() const { return rootDir_; }

 private:
  struct UnzipCloser {
    void operator()(void* archive) const;
  };
  struct EntryRecord {
    std::uint32_t flags = 0;
    std::uint32_t crc = 0;
    std::uint32_t dosDateTime = 0;
  };

  ZipResult attach(platform::File& archive, std::wstring root);
  ZipResult lookUp(int index, ZipEntryInfo& info);
  ZipResult moveTo(int index);
  ZipResult checkLocalHeader(std::vector<unsigned char>& extraField);
  ZipResult checkPassword();
  ZipResult extractFile(const std::wstring& outputName);
  ZipResult writeEntryData(platform::File& output, const DataSink& observe);
  ZipResult streamEntryData(const DataSink& sink);
  ZipResult openForData(int index);
  void closeOpenEntry();

  std::unique_ptr<void, UnzipCloser> archive_;
  int openEntry_ = -1;
  ZipEntryInfo cachedInfo_;
  int cachedIndex_ = -1;
  EntryRecord cachedRecord_;
  const char* password_ = nullptr;  // never set in this system
  std::vector<unsigned char> buffer_;
  std::wstring rootDir_;

  platform::File file_;  // the archive when the reader opened it by path
  ArchiveStream stream_;
  int entryCount_ = 0;
  int currentEntry_ = 0;  // minizip's current entry
};

// Creates every missing directory of `path` under `root` (root may be empty
// for none), outermost first; the root itself is created when missing. Results
// of the creation are ignored: a later file creation reports the failure.
void EnsureDirectory(const std::wstring& root, const std::wstring& path);
