#include "platform/file_system.h"

#include <utility>

#include "platform/folder.h"

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

const char* DescribeOpenStatus(OpenStatus status) {
  switch (status) {
    case OpenStatus::Opened:
      return "opened";
    case OpenStatus::Missing:
      return "missing";
    case OpenStatus::Busy:
      return "busy: held by another program, or access refused";
    case OpenStatus::Link:
      return "a link or leads elsewhere";
    case OpenStatus::NotPlain:
      return "not a plain file or folder, or a file with other names";
    case OpenStatus::Failed:
      return "cannot be opened";
  }
  return "unknown";
}

}  // namespace platform
