#include "platform/file_system.h"

#include <utility>

// Ownership of the file handle is the same on every system; opening, reading,
// writing and closing are in file_system_win32.cpp and file_system_posix.cpp.
namespace platform {

File::~File() { close(); }

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, kInvalid)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, kInvalid);
  }
  return *this;
}

}  // namespace platform
