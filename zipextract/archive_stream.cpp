#include "zipextract/archive_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kWindowBytes = 64 * 1024;

ArchiveStream* AsStream(voidpf stream) { return static_cast<ArchiveStream*>(stream); }

voidpf ZCALLBACK OpenStream(voidpf, const void* filename, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  return const_cast<void*>(filename);
}

// Reads at s.position straight from the file, moving its pointer there first.
std::int64_t ReadFromFile(ArchiveStream& s, void* buffer, std::size_t size) {
  if (s.filePosition != s.position) {
    if (!s.seekable || s.file->seek(s.position, platform::SeekOrigin::Begin) < 0) return -1;
    s.filePosition = s.position;
  }
  const std::int64_t done = s.file->read(buffer, size);
  if (done > 0) s.filePosition += done;
  return done;
}

// Copies what the window holds at s.position; returns the bytes copied.
std::size_t CopyFromWindow(ArchiveStream& s, unsigned char* out, std::size_t size) {
  const std::int64_t end = s.windowStart + static_cast<std::int64_t>(s.window.size());
  if (s.position < s.windowStart || s.position >= end) return 0;
  const auto offset = static_cast<std::size_t>(s.position - s.windowStart);
  const std::size_t count = std::min(size, s.window.size() - offset);
  std::memcpy(out, s.window.data() + offset, count);
  s.position += static_cast<std::int64_t>(count);
  return count;
}

// Once a read or seek of the file has failed, every later one fails too: a
// read that worked again after a failure would let a short, half-read archive
// pass for a whole one.
uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buffer, uLong size) {
  ArchiveStream& s = *AsStream(stream);
  if (s.failed) return 0;
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = CopyFromWindow(s, out, size);
  while (done < size) {
    const std::size_t wanted = size - done;
    if (wanted >= kWindowBytes) {
      const std::int64_t got = ReadFromFile(s, out + done, wanted);
      if (got <= 0) {
        s.failed = got < 0;
        break;
      }
      s.position += got;
      done += static_cast<std::size_t>(got);
      continue;
    }
    s.window.resize(kWindowBytes);
    s.windowStart = s.position;
    const std::int64_t got = ReadFromFile(s, s.window.data(), kWindowBytes);
    s.window.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    if (got <= 0) {
      s.failed = got < 0;
      break;
    }
    done += CopyFromWindow(s, out + done, wanted);
  }
  return static_cast<uLong>(done);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream) {
  ArchiveStream& s = *AsStream(stream);
  if (s.position < s.start) return std::numeric_limits<ZPOS64_T>::max();
  return static_cast<ZPOS64_T>(s.position - s.start);
}

long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  ArchiveStream& s = *AsStream(stream);
  constexpr auto kLimit = static_cast<ZPOS64_T>(std::numeric_limits<std::int64_t>::max() / 2);
  if (s.failed || !s.seekable || offset > kLimit) return -1;
  const auto distance = static_cast<std::int64_t>(offset);
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      s.position = s.start + distance;
      return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
      s.position += distance;
      return 0;
    case ZLIB_FILEFUNC_SEEK_END: {
      const std::int64_t position = s.file->seek(distance, platform::SeekOrigin::End);
      if (position < 0) {
        s.failed = true;
        return -1;
      }
      s.filePosition = s.position = position;
      return 0;
    }
    default:
      return -1;
  }
}

int ZCALLBACK CloseStream(voidpf, voidpf) { return 0; }

int ZCALLBACK StreamError(voidpf, voidpf stream) { return AsStream(stream)->failed ? 1 : 0; }

}  // namespace

void AttachArchiveStream(ArchiveStream& stream, platform::File& file) {
  stream.file = &file;
  stream.failed = false;
  const std::int64_t position = file.tell();
  stream.seekable = position >= 0;
  stream.start = position < 0 ? 0 : position;
  stream.position = stream.filePosition = stream.windowStart = stream.start;
  stream.window.clear();
}

zlib_filefunc64_def ArchiveStreamFunctions() {
  zlib_filefunc64_def functions{};
  functions.zopen64_file = OpenStream;
  functions.zread_file = ReadStream;
  functions.zwrite_file = WriteStream;
  functions.ztell64_file = TellStream;
  functions.zseek64_file = SeekStream;
  functions.zclose_file = CloseStream;
  functions.zerror_file = StreamError;
  functions.opaque = nullptr;
  return functions;
}
