#include "updater/download/stdio_file.h"

namespace {

// The C runtimes name their 64-bit seek functions differently.
int SeekEnd(std::FILE* file) {
#ifdef _WIN32
  return _fseeki64(file, 0, SEEK_END);
#else
  return fseeko(file, 0, SEEK_END);
#endif
}

std::int64_t Tell(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return static_cast<std::int64_t>(ftello(file));
#endif
}

}  // namespace

std::int64_t FileLength(const std::string& path) {
  StdioFile file(path, "rb");
  if (!file || SeekEnd(file.get()) != 0) return -1;
  return Tell(file.get());
}

bool SeekTo(std::FILE* file, std::int64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, offset, SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}
