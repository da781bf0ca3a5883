#include "skinui/memory_zip.h"

#include <unzip.h>

#include <algorithm>
#include <cstring>

namespace SkinUI {

struct MemoryZipReader::Stream {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
};

namespace {

using Stream = MemoryZipReader::Stream;

voidpf ZCALLBACK MemOpen(voidpf opaque, const char*, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  static_cast<Stream*>(opaque)->pos = 0;
  return opaque;
}

uLong ZCALLBACK MemRead(voidpf, voidpf stream, void* buf, uLong size) {
  auto* s = static_cast<Stream*>(stream);
  const std::size_t n = std::min<std::size_t>(size, s->size - s->pos);
  std::memcpy(buf, s->data + s->pos, n);
  s->pos += n;
  return static_cast<uLong>(n);
}

uLong ZCALLBACK MemWrite(voidpf, voidpf, const void*, uLong) { return 0; }

long ZCALLBACK MemTell(voidpf, voidpf stream) { return static_cast<long>(static_cast<Stream*>(stream)->pos); }

long ZCALLBACK MemSeek(voidpf, voidpf stream, uLong offset, int origin) {
  auto* s = static_cast<Stream*>(stream);
  std::size_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) {
    base = s->pos;
  } else if (origin == ZLIB_FILEFUNC_SEEK_END) {
    base = s->size;
  } else if (origin != ZLIB_FILEFUNC_SEEK_SET) {
    return -1;
  }
  if (base > s->size || offset > s->size - base) return -1;
  s->pos = base + offset;
  return 0;
}

int ZCALLBACK MemClose(voidpf, voidpf) { return 0; }
int ZCALLBACK MemError(voidpf, voidpf) { return 0; }

// Closes the current entry of an open archive when it goes out of scope.
class CurrentEntry {
 public:
  explicit CurrentEntry(unzFile zip) : zip_(zip), open_(unzOpenCurrentFile(zip) == UNZ_OK) {}
  ~CurrentEntry() {
    if (open_) unzCloseCurrentFile(zip_);
  }
  CurrentEntry(const CurrentEntry&) = delete;
  CurrentEntry& operator=(const CurrentEntry&) = delete;
  bool IsOpen() const { return open_; }
  // Closing checks the CRC; false when the data did not match.
  bool Close() {
    open_ = false;
    return unzCloseCurrentFile(zip_) == UNZ_OK;
  }

 private:
  unzFile zip_;
  bool open_;
};

}  // namespace

MemoryZipReader::MemoryZipReader(const void* data, std::size_t size) : stream_(std::make_unique<Stream>()) {
  stream_->data = static_cast<const unsigned char*>(data);
  stream_->size = data ? size : 0;
  zlib_filefunc_def io{};
  io.zopen_file = MemOpen;
  io.zread_file = MemRead;
  io.zwrite_file = MemWrite;
  io.ztell_file = MemTell;
  io.zseek_file = MemSeek;
  io.zclose_file = MemClose;
  io.zerror_file = MemError;
  io.opaque = stream_.get();
  zip_ = unzOpen2("membuffer", &io);
}

MemoryZipReader::~MemoryZipReader() {
  if (zip_) unzClose(static_cast<unzFile>(zip_));
}

bool MemoryZipReader::ReadEntry(const std::string& utf8Name, std::size_t maxSize, std::vector<char>& bytes,
                                std::wstring& error) {
  bytes.clear();
  auto* zip = static_cast<unzFile>(zip_);
  if (!zip) {
    error = L"Error opening zip file";
    return false;
  }
  // 2: compare names without regard to case.
  if (unzLocateFile(zip, utf8Name.c_str(), 2) != UNZ_OK) {
    error = L"Could not find ziped file";
    return false;
  }
  unz_file_info info{};
  if (unzGetCurrentFileInfo(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
    error = L"Could not unzip file";
    return false;
  }
  if (info.uncompressed_size == 0) {
    error = L"File is empty";
    return false;
  }
  if (info.uncompressed_size > maxSize) {
    error = L"File too large";
    return false;
  }
  bytes.resize(info.uncompressed_size);
  CurrentEntry entry(zip);
  const int got =
      entry.IsOpen() ? unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(bytes.size())) : -1;
  if (got != static_cast<int>(bytes.size()) || !entry.Close()) {
    bytes.clear();
    error = L"Could not unzip file";
    return false;
  }
  return true;
}

}  // namespace SkinUI
