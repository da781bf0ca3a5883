#include "publisher/zip_output.h"

namespace publisher {
namespace {

ZipOutput& Output(voidpf stream) { return *static_cast<ZipOutput*>(stream); }

voidpf ZCALLBACK Open(voidpf, const void* output, int) { return const_cast<void*>(output); }

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buffer, uLong size) {
  const std::int64_t got = Output(stream).file->read(buffer, size);
  if (got < 0) Output(stream).failed = true;
  return got < 0 ? 0 : static_cast<uLong>(got);
}

uLong ZCALLBACK Write(voidpf, voidpf stream, const void* buffer, uLong size) {
  if (Output(stream).file->write(buffer, size)) return size;
  Output(stream).failed = true;
  return 0;
}

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) {
  const std::int64_t position = Output(stream).file->tell();
  if (position < 0) Output(stream).failed = true;
  return position < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(position);
}

long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  const platform::SeekOrigin from = origin == ZLIB_FILEFUNC_SEEK_SET   ? platform::SeekOrigin::Begin
                                    : origin == ZLIB_FILEFUNC_SEEK_END ? platform::SeekOrigin::End
                                                                       : platform::SeekOrigin::Current;
  if (Output(stream).file->seek(static_cast<std::int64_t>(offset), from) >= 0) return 0;
  Output(stream).failed = true;
  return -1;
}

int ZCALLBACK Close(voidpf, voidpf) { return 0; }

int ZCALLBACK Error(voidpf, voidpf stream) { return Output(stream).failed ? 1 : 0; }

}  // namespace

zlib_filefunc64_def ZipOutputFunctions() {
  zlib_filefunc64_def functions{};
  functions.zopen64_file = Open;
  functions.zread_file = Read;
  functions.zwrite_file = Write;
  functions.ztell64_file = Tell;
  functions.zseek64_file = Seek;
  functions.zclose_file = Close;
  functions.zerror_file = Error;
  return functions;
}

}  // namespace publisher
