#include "zipextract/zip_reader.h"

#include <unzip.h>

#include <atomic>
#include <climits>

#include "platform/platform.h"
#include "zipextract/zip_entry_meta.h"
#include "zipextract/zip_entry_name.h"

namespace {

constexpr std::size_t kNameBufferSize = 260;

std::atomic<ZipResult> g_lastResult{ZipOk};

ZipResult Record(ZipResult result) {
  g_lastResult.store(result, std::memory_order_relaxed);
  return result;
}

bool StartsAbsolute(const std::wstring& name) {
  return (!name.empty() && (name[0] == L'\\' || name[0] == L'/')) ||
         (name.size() >= 2 && name[0] != L'\0' && name[1] == L':');
}

}  // namespace

ZipResult LastZipResult() { return g_lastResult.load(std::memory_order_relaxed); }

void ZipReader::UnzipCloser::operator()(void* archive) const { unzClose(archive); }

ZipReader::~ZipReader() { close(); }

namespace {

// The root as the reader keeps it: ending in a separator; empty when refused.
std::wstring ReaderRoot(const std::wstring& rootDir) {
  if (rootDir.empty()) return std::wstring();
  const wchar_t last = rootDir.back();
  std::wstring root = (last == L'\\' || last == L'/') ? rootDir : rootDir + L"\\";
  return root.size() > kMaxZipPath ? std::wstring() : root;
}

}  // namespace

ZipResult ZipReader::open(const std::wstring& archivePath, const std::wstring& rootDir) {
  if (archive_ || openEntry_ != -1) return Record(ZipErrAlreadyOpen);
  std::wstring root = ReaderRoot(rootDir);
  if (root.empty()) return Record(ZipErrArgs);
  platform::File file = platform::File::OpenForRead(archivePath);
  if (!file.isOpen()) return Record(ZipErrNoFile);
  file_ = std::move(file);
  const ZipResult opened = attach(file_, std::move(root));
  if (opened != ZipOk) file_.close();
  return Record(opened);
}

ZipResult ZipReader::open(platform::File& archive, const std::wstring& rootDir) {
  if (archive_ || openEntry_ != -1) return Record(ZipErrAlreadyOpen);
  std::wstring root = ReaderRoot(rootDir);
  if (root.empty()) return Record(ZipErrArgs);
  if (!archive.isOpen() || archive.seek(0, platform::SeekOrigin::Begin) != 0) return Record(ZipErrNoFile);
  return Record(attach(archive, std::move(root)));
}

ZipResult ZipReader::attach(platform::File& archive, std::wstring root) {
  AttachArchiveStream(stream_, archive);
  zlib_filefunc64_def functions = ArchiveStreamFunctions();
  archive_.reset(unzOpen2_64(&stream_, &functions));
  unz_global_info64 global{};
  if (!archive_ || unzGetGlobalInfo64(archive_.get(), &global) != UNZ_OK) {
    archive_.reset();
    // A file that could not be read is not known to be no archive.
    return stream_.failed ? ZipErrRead : ZipErrNoFile;
  }
  rootDir_ = std::move(root);
  entryCount_ =
      global.number_entry > static_cast<ZPOS64_T>(INT_MAX) ? INT_MAX : static_cast<int>(global.number_entry);
  currentEntry_ = 0;
  cachedIndex_ = -1;
  return ZipOk;
}

ZipResult ZipReader::close() {
  closeOpenEntry();
  archive_.reset();
  file_.close();
  buffer_.clear();
  buffer_.shrink_to_fit();
  password_ = nullptr;
  cachedIndex_ = -1;
  entryCount_ = 0;
  currentEntry_ = 0;
  rootDir_.clear();
  return Record(ZipOk);
}

void ZipReader::closeOpenEntry() {
  if (openEntry_ == -1) return;
  unzCloseCurrentFile(archive_.get());
  openEntry_ = -1;
}

ZipResult ZipReader::moveTo(int index) {
  if (index < currentEntry_) {
    if (unzGoToFirstFile(archive_.get()) != UNZ_OK) return ZipErrCorrupt;
    currentEntry_ = 0;
  }
  while (currentEntry_ < index) {
    if (unzGoToNextFile(archive_.get()) != UNZ_OK) {
      // The central directory ends here whatever its end record claimed (a
      // forged count would otherwise have callers walk up to INT_MAX entries).
      entryCount_ = currentEntry_ + 1;
      return ZipErrCorrupt;
    }
    ++currentEntry_;
  }
  return ZipOk;
}

ZipResult ZipReader::entryInfo(int index, ZipEntryInfo& info) {
  if (!archive_ || index < -1 || index >= entryCount_) return Record(ZipErrArgs);
  closeOpenEntry();
  if (index != -1 && index == cachedIndex_) {
    info = cachedInfo_;
    return Record(ZipOk);
  }
  if (index == -1) {
    info = ZipEntryInfo{};
    info.index = entryCount_;
    return Record(ZipOk);
  }
  return Record(lookUp(index, info));
}

// Checks the local header against the central record (minizip's coherency
// check, plus: only stored and deflated data) and reads the local extra field.
ZipResult ZipReader::checkLocalHeader(std::vector<unsigned char>& extraField) {
  int method = -1;
  if (unzOpenCurrentFile2(archive_.get(), &method, nullptr, 1) != UNZ_OK) return ZipErrCorrupt;
  openEntry_ = currentEntry_;
  if (method != 0 && method != Z_DEFLATED) return ZipErrCorrupt;
  const int size = unzGetLocalExtrafield(archive_.get(), nullptr, 0);
  if (size < 0) return ZipErrRead;
  extraField.resize(static_cast<std::size_t>(size));
  if (size > 0 &&
      unzGetLocalExtrafield(archive_.get(), extraField.data(), static_cast<unsigned>(size)) != size)
    return ZipErrRead;
  return ZipOk;
}

ZipResult ZipReader::lookUp(int index, ZipEntryInfo& info) {
  cachedIndex_ = -1;
  if (const ZipResult moved = moveTo(index); moved != ZipOk) return moved;
  unz_file_info64 record{};
  char nameBytes[kNameBufferSize] = {};
  if (unzGetCurrentFileInfo64(archive_.get(), &record, nameBytes, sizeof nameBytes, nullptr, 0, nullptr, 0) !=
      UNZ_OK)
    return ZipErrCorrupt;
  std::vector<unsigned char> extraField;
  const ZipResult local = checkLocalHeader(extraField);
  closeOpenEntry();
  if (local != ZipOk) return local;
  // A longer name would not fit the name buffer; cutting it would make another name.
  if (record.size_filename > kMaxZipPath) return ZipErrNoFile;

  ZipEntryInfo found;
  found.index = index;
  found.nameBytes.assign(nameBytes, record.size_filename);
  found.name = CleanEntryName(DecodeUtf8Name(nameBytes, record.size_filename));
  found.attributes = EntryAttributes(static_cast<std::uint32_t>(record.version),
                                     static_cast<std::uint32_t>(record.external_fa));
  const std::uint64_t dosTime =
      platform::LocalFileTimeToUtc(DosDateTimeToFileTime(static_cast<std::uint32_t>(record.dosDate)));
  found.accessTime = found.createTime = found.writeTime = dosTime;
  ApplyExtendedTimestamp(extraField.data(), extraField.size(), found);
  found.compressedSize = static_cast<std::uint32_t>(record.compressed_size);
  found.uncompressedSize = static_cast<std::uint32_t>(record.uncompressed_size);

  cachedRecord_.flags = static_cast<std::uint32_t>(record.flag);
  cachedRecord_.crc = static_cast<std::uint32_t>(record.crc);
  cachedRecord_.dosDateTime = static_cast<std::uint32_t>(record.dosDate);
  cachedInfo_ = found;
  cachedIndex_ = index;
  info = std::move(found);
  return ZipOk;
}

ZipResult ZipReader::extractEntry(int index, const std::wstring& outputName) {
  if (!archive_) return Record(ZipErrArgs);
  closeOpenEntry();
  if (index < 0 || index >= entryCount_) return Record(ZipErrArgs);
  if (const ZipResult moved = moveTo(index); moved != ZipOk) return Record(moved);
  ZipEntryInfo info;
  if (const ZipResult looked = entryInfo(index, info); looked != ZipOk) return Record(looked);
  if (StartsAbsolute(outputName) || !IsSafeOutputName(outputName) || outputName.size() > kMaxZipPath ||
      !IsValidUtf8(info.nameBytes))
    return Record(ZipErrNoFile);
  if ((info.attributes & platform::kAttributeDirectory) != 0) {
    if (rootDir_.size() + outputName.size() > kMaxZipPath) return Record(ZipErrNoFile);
    EnsureDirectory(rootDir_, outputName);
    return Record(ZipOk);
  }
  return Record(extractFile(outputName));
}
