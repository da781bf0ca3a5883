#include "updater/download/stdio_file.h"

#include <string>

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

StdioFile::StdioFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  // Modes are plain ASCII.
  const std::string narrow(mode);
  const std::wstring wideMode(narrow.begin(), narrow.end());
  file_ = _wfopen(path.c_str(), wideMode.c_str());
#else
  file_ = std::fopen(path.c_str(), mode);
#endif
}

std::int64_t FileLength(const std::filesystem::path& path) {
  StdioFile file(path, "rb");
  return file ? StreamLength(file.get()) : -1;
}

std::int64_t StreamLength(std::FILE* file) {
  if (SeekEnd(file) != 0) return -1;
  return Tell(file);
}

bool SeekTo(std::FILE* file, std::int64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, offset, SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}
