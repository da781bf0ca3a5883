#pragma once
// A C stdio stream that closes itself. Paths are wide on Windows.

#include <cstdint>
#include <cstdio>
#include <filesystem>

class StdioFile {
 public:
  StdioFile() = default;
  StdioFile(const std::filesystem::path& path, const char* mode);
  ~StdioFile() { Close(); }
  StdioFile(StdioFile&& other) noexcept : file_(other.file_) { other.file_ = nullptr; }
  StdioFile& operator=(StdioFile&& other) noexcept {
    if (this != &other) {
      Close();
      file_ = other.file_;
      other.file_ = nullptr;
    }
    return *this;
  }
  StdioFile(const StdioFile&) = delete;
  StdioFile& operator=(const StdioFile&) = delete;

  explicit operator bool() const { return file_ != nullptr; }
  std::FILE* get() const { return file_; }

  // Returns false when the stream reported an error while it was flushed.
  bool Close() {
    if (!file_) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_ = nullptr;
};

// Length of the file at path, or -1 when it cannot be opened or measured.
std::int64_t FileLength(const std::filesystem::path& path);

// Length of the open file, measured through the stream, which is left at
// its end; -1 when it cannot be measured.
std::int64_t StreamLength(std::FILE* file);

// Moves the stream to offset bytes from the start; false on failure.
bool SeekTo(std::FILE* file, std::int64_t offset);
