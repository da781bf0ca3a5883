#include "zipextract/extract_zip_to_dir.h"

#include "zipextract/zip_reader.h"

namespace {

// The number of entries; it shrinks when the central directory turns out to
// end before the count its end record claims.
int EntryCount(ZipReader& reader) {
  ZipEntryInfo archive;
  reader.entryInfo(-1, archive);
  return archive.index;
}

}  // namespace

ZipResult ExtractArchive(const std::wstring& archivePath, const std::wstring& folder) {
  ZipReader reader;
  const ZipResult opened = reader.open(archivePath, folder);
  if (opened != ZipOk) return opened;
  ZipResult first = ZipOk;
  for (int index = 0; index < EntryCount(reader); ++index) {
    ZipEntryInfo entry;
    const ZipResult looked = reader.entryInfo(index, entry);
    const ZipResult extracted = looked == ZipOk ? reader.extractEntry(index, entry.name) : looked;
    if (first == ZipOk) first = extracted;
  }
  reader.close();
  return first;
}
