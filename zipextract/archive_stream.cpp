#include "zipextract/archive_stream.h"

#include <limits>

namespace {

ArchiveStream* AsStream(voidpf stream) { return static_cast<ArchiveStream*>(stream); }

voidpf ZCALLBACK OpenStream(voidpf, const void* filename, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  return const_cast<void*>(filename);
}

uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buffer, uLong size) {
  ArchiveStream* s = AsStream(stream);
  const std::int64_t done = s->file->read(buffer, size);
  s->failed = done < 0;
  return done < 0 ? 0 : static_cast<uLong>(done);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream) {
  ArchiveStream* s = AsStream(stream);
  const std::int64_t position = s->file->tell();
  if (position < s->start) return std::numeric_limits<ZPOS64_T>::max();
  return static_cast<ZPOS64_T>(position - s->start);
}

long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  ArchiveStream* s = AsStream(stream);
  if (!s->seekable || offset > static_cast<ZPOS64_T>(std::numeric_limits<std::int64_t>::max() / 2)) return -1;
  std::int64_t position = -1;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      position = s->file->seek(s->start + static_cast<std::int64_t>(offset), platform::SeekOrigin::Begin);
      break;
    case ZLIB_FILEFUNC_SEEK_CUR:
      position = s->file->seek(static_cast<std::int64_t>(offset), platform::SeekOrigin::Current);
      break;
    case ZLIB_FILEFUNC_SEEK_END:
      position = s->file->seek(static_cast<std::int64_t>(offset), platform::SeekOrigin::End);
      break;
    default:
      return -1;
  }
  s->failed = position < 0;
  return position < 0 ? -1 : 0;
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
