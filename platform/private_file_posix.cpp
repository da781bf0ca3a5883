#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/native_path_posix.h"
#include "platform/private_file.h"

namespace platform {
namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // The result of close(2), which reports late write errors.
  bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

PrivateFileRead Failed(PrivateFileRead::Status status, const std::string& reason) {
  PrivateFileRead result;
  result.status = status;
  result.reason = reason;
  return result;
}

}  // namespace

PrivateFileRead ReadPrivateFile(const std::wstring& path, std::size_t limit) {
  using Status = PrivateFileRead::Status;
  Descriptor file(::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (file.get() < 0 || ::fstat(file.get(), &info) != 0)
    return Failed(Status::Unreadable, std::strerror(errno));
  if ((info.st_mode & 077) != 0)
    return Failed(Status::Exposed, "readable or writable by others; chmod 600 it");
  if (info.st_size < 0 || static_cast<std::size_t>(info.st_size) > limit) return Failed(Status::TooLarge, "");
  PrivateFileRead result;
  result.bytes.resize(limit + 1);
  std::size_t got = 0;
  for (;;) {
    const ssize_t done = ::read(file.get(), &result.bytes[got], result.bytes.size() - got);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) return Failed(Status::Unreadable, std::strerror(errno));
    if (done == 0) break;
    got += static_cast<std::size_t>(done);
    if (got > limit) return Failed(Status::TooLarge, "");
  }
  result.bytes.resize(got);
  result.status = Status::Read;
  return result;
}

bool WritePrivateFile(const std::wstring& path, const std::string& bytes, std::string& error) {
  const std::string name = NativePath(path);
  Descriptor file(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (file.get() < 0) {
    error = std::strerror(errno);
    return false;
  }
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t done = ::write(file.get(), bytes.data() + written, bytes.size() - written);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) break;
    written += static_cast<std::size_t>(done);
  }
  if (written == bytes.size() && file.close()) return true;
  error = std::strerror(errno);
  ::unlink(name.c_str());
  return false;
}

}  // namespace platform
