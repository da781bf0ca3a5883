#include "zipextract/extract_zip_to_dir.h"

#include "zipextract/zip_reader.h"

ZipResult ExtractArchive(const std::wstring& archivePath, const std::wstring& folder,
                         const BeforeEntryHook& beforeEntry) {
  ZipReader reader;
  const ZipResult opened = reader.open(archivePath, folder);
  if (opened != ZipOk) return opened;
  ZipEntryInfo archive;
  reader.entryInfo(-1, archive);
  ZipResult first = ZipOk;
  for (int index = 0; index < archive.index; ++index) {
    ZipEntryInfo entry;
    const ZipResult looked = reader.entryInfo(index, entry);
    if (looked == ZipOk && beforeEntry) beforeEntry(entry);
    const ZipResult extracted = looked == ZipOk ? reader.extractEntry(index, entry.name) : looked;
    if (first == ZipOk) first = extracted;
  }
  reader.close();
  return first;
}
