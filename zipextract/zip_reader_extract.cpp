// The file-writing half of ZipReader: password check, temporary file, data
// copy with CRC-32 verification, and the final move over the target.

#include <unzip.h>

#include "platform/platform.h"
#include "zipextract/zip_entry_name.h"
#include "zipextract/zip_password_check.h"
#include "zipextract/zip_reader.h"

namespace {

constexpr std::size_t kBufferSize = 16384;

// A name for the temporary file beside the target that nobody can guess.
std::wstring TemporaryName() {
  const std::uint64_t value = platform::SystemRandom();
  static const wchar_t kHex[] = L"0123456789abcdef";
  std::wstring name = L"~zx";
  for (int shift = 60; shift >= 0; shift -= 4) name.push_back(kHex[(value >> shift) & 0xF]);
  return name + L".tmp";
}

// Removes the temporary file once created, unless it was handed over to its target.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!kept_) platform::DiscardFile(path_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::wstring& path() const { return path_; }
  void created() { kept_ = false; }
  void keep() { kept_ = true; }

 private:
  std::wstring path_;
  bool kept_ = true;
};

}  // namespace

// The traditional encryption header of an encrypted entry must decrypt, with
// the reader's null password, to the entry's check byte. This build has no
// decryption, so an entry that passes cannot be read either: ZipErrData.
ZipResult ZipReader::checkPassword() {
  if ((cachedRecord_.flags & 0x01) == 0) return ZipOk;
  if (unzOpenCurrentFile2(archive_.get(), nullptr, nullptr, 1) != UNZ_OK) return ZipErrCorrupt;
  openEntry_ = currentEntry_;
  unsigned char header[12] = {};
  const int got = unzReadCurrentFile(archive_.get(), header, sizeof header);
  closeOpenEntry();
  if (got != static_cast<int>(sizeof header)) return ZipErrData;
  if (!PassesNullPasswordCheck(header, cachedRecord_.crc, cachedRecord_.dosDateTime, cachedRecord_.flags))
    return ZipErrPassword;
  return ZipErrData;
}

ZipResult ZipReader::extractFile(const std::wstring& outputName) {
  const std::size_t split = outputName.find_last_of(L"\\/");
  const std::wstring directory =
      split == std::wstring::npos ? std::wstring() : outputName.substr(0, split + 1);
  const std::wstring fileName = split == std::wstring::npos ? outputName : outputName.substr(split + 1);
  const std::wstring target = rootDir_ + directory + fileName;
  TemporaryFile temporary(rootDir_ + directory + TemporaryName());
  if (target.size() > kMaxZipPath || temporary.path().size() > kMaxZipPath) return ZipErrNoFile;
  EnsureDirectory(rootDir_, directory);
  // A name ending in a separator without the directory attribute: its
  // folders exist now, but there is no file to write.
  if (fileName.empty()) return ZipErrNoFile;

  if (const ZipResult password = checkPassword(); password != ZipOk) return password;
  platform::File output = platform::File::CreateNew(temporary.path(), cachedInfo_.attributes);
  if (!output.isOpen()) return ZipErrNoFile;  // whatever holds that name is not ours
  temporary.created();
  const ZipResult written = writeEntryData(output, nullptr);
  output.close();
  if (written != ZipOk) return written;
  if (!platform::ReplaceFileWith(temporary.path(), target)) return ZipErrNoFile;
  temporary.keep();
  return ZipOk;
}

ZipResult ZipReader::openForData(int index) {
  if (!archive_) return ZipErrArgs;
  closeOpenEntry();
  if (index < 0 || index >= entryCount_) return ZipErrArgs;
  if (const ZipResult moved = moveTo(index); moved != ZipOk) return moved;
  ZipEntryInfo info;
  if (const ZipResult looked = entryInfo(index, info); looked != ZipOk) return looked;
  return checkPassword();
}

ZipResult ZipReader::writeEntryTo(int index, platform::File& output, const DataSink& observe) {
  if (const ZipResult opened = openForData(index); opened != ZipOk) return opened;
  return writeEntryData(output, observe);
}

ZipResult ZipReader::readEntryTo(int index, const DataSink& sink) {
  if (const ZipResult opened = openForData(index); opened != ZipOk) return opened;
  return streamEntryData(sink);
}

ZipResult ZipReader::writeEntryData(platform::File& output, const DataSink& observe) {
  const ZipResult streamed = streamEntryData([&](const unsigned char* data, std::size_t size) {
    return output.write(data, size) && (!observe || observe(data, size));
  });
  if (streamed != ZipOk) return streamed;
  platform::FileTimes times;
  times.creation = cachedInfo_.createTime;
  times.lastAccess = cachedInfo_.accessTime;
  times.lastWrite = cachedInfo_.writeTime;
  output.setTimes(times);
  return ZipOk;
}

ZipResult ZipReader::streamEntryData(const DataSink& sink) {
  // The outcome shows in the first read: without an open entry it fails.
  if (unzOpenCurrentFilePassword(archive_.get(), password_) == UNZ_OK) openEntry_ = currentEntry_;
  if (buffer_.empty()) buffer_.resize(kBufferSize);
  for (;;) {
    const int got = unzReadCurrentFile(archive_.get(), buffer_.data(), static_cast<unsigned>(buffer_.size()));
    if (got < 0) return ZipErrData;
    if (got > 0) {
      if (!sink(buffer_.data(), static_cast<std::size_t>(got))) return ZipErrWrite;
      continue;
    }
    if (unzeof(archive_.get()) != 1) return ZipErrData;
    break;
  }
  const int closed = unzCloseCurrentFile(archive_.get());
  openEntry_ = -1;
  return closed == UNZ_OK ? ZipOk : ZipErrData;
}
