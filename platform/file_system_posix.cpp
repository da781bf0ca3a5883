#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "platform/file_system.h"
#include "platform/native_path_posix.h"
#include "platform/string_convert.h"

namespace platform {

std::string NativePath(const std::wstring& path) {
  std::string narrow = WideToAnsi(path);
  std::replace(narrow.begin(), narrow.end(), '\\', '/');
  return narrow;
}

namespace {

constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000LL;  // 1970-01-01 in 100-ns units

timespec ToTimespec(std::uint64_t fileTime) {
  const std::int64_t units = static_cast<std::int64_t>(fileTime) - kUnixEpochInFileTime;
  std::int64_t seconds = units / 10000000;
  std::int64_t rest = units % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  timespec value{};
  value.tv_sec = static_cast<time_t>(seconds);
  value.tv_nsec = static_cast<long>(rest * 100);
  return value;
}

}  // namespace

File File::OpenForRead(const std::wstring& path) {
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  return File(fd < 0 ? kInvalid : fd);
}

File File::CreateForWrite(const std::wstring& path, std::uint32_t attributes) {
  const mode_t mode = (attributes & kAttributeReadOnly) != 0 ? 0444 : 0666;
  const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  return File(fd < 0 ? kInvalid : fd);
}

File File::CreateNew(const std::wstring& path, std::uint32_t attributes) {
  const mode_t mode = (attributes & kAttributeReadOnly) != 0 ? 0444 : 0666;
  const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  return File(fd < 0 ? kInvalid : fd);
}

File File::OpenLocked(const std::wstring& path) {
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  File file(fd < 0 ? kInvalid : fd);
  struct stat info {};
  if (file.isOpen() && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
    file.close();
    errno = EINVAL;
  }
  return file;
}

std::int64_t File::size() const {
  struct stat info {};
  return ::fstat(static_cast<int>(handle_), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

bool File::flush() { return ::fsync(static_cast<int>(handle_)) == 0; }

std::int64_t File::read(void* buffer, std::size_t size) {
  for (;;) {
    const ssize_t done = ::read(static_cast<int>(handle_), buffer, size);
    if (done >= 0) return done;
    if (errno != EINTR) return -1;
  }
}

bool File::write(const void* buffer, std::size_t size) {
  const char* bytes = static_cast<const char*>(buffer);
  while (size > 0) {
    const ssize_t done = ::write(static_cast<int>(handle_), bytes, size);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    bytes += done;
    size -= static_cast<std::size_t>(done);
  }
  return true;
}

std::int64_t File::seek(std::int64_t offset, SeekOrigin origin) {
  const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::End ? SEEK_END : SEEK_CUR;
  const off_t position = ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), whence);
  return position < 0 ? -1 : static_cast<std::int64_t>(position);
}

bool File::setTimes(const FileTimes& times) {
  const timespec values[2] = {ToTimespec(times.lastAccess), ToTimespec(times.lastWrite)};
  return ::futimens(static_cast<int>(handle_), values) == 0;
}

void File::close() {
  if (handle_ != kInvalid) ::close(static_cast<int>(std::exchange(handle_, kInvalid)));
}

bool PathExists(const std::wstring& path) {
  struct stat info {};
  return ::stat(NativePath(path).c_str(), &info) == 0;
}

bool CreateOneDirectory(const std::wstring& path) { return ::mkdir(NativePath(path).c_str(), 0777) == 0; }

bool DiscardFile(const std::wstring& path) { return ::unlink(NativePath(path).c_str()) == 0; }

bool ReplaceFileWith(const std::wstring& from, const std::wstring& to) {
  const std::string target = NativePath(to);
  struct stat info {};
  if (::lstat(target.c_str(), &info) == 0 && (S_ISDIR(info.st_mode) || (info.st_mode & S_IWUSR) == 0)) {
    errno = EACCES;
    return false;
  }
  return ::rename(NativePath(from).c_str(), target.c_str()) == 0;
}

PathKind InspectPath(const std::wstring& path) {
  struct stat info {};
  if (::lstat(NativePath(path).c_str(), &info) != 0) return PathKind::Missing;
  if (S_ISLNK(info.st_mode)) return PathKind::Link;
  if (S_ISDIR(info.st_mode)) return PathKind::Directory;
  return S_ISREG(info.st_mode) ? PathKind::File : PathKind::Other;
}

bool MovePath(const std::wstring& from, const std::wstring& to) {
  const std::string target = NativePath(to);
  struct stat info {};
  if (::lstat(target.c_str(), &info) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(NativePath(from).c_str(), target.c_str()) == 0;
}

bool RemoveEmptyDirectory(const std::wstring& path) { return ::rmdir(NativePath(path).c_str()) == 0; }

std::vector<std::wstring> ListDirectory(const std::wstring& path) {
  std::vector<std::wstring> names;
  DIR* directory = ::opendir(NativePath(path).c_str());
  if (directory == nullptr) return names;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(AnsiToWide(name));
  }
  ::closedir(directory);
  return names;
}

bool FlushDirectory(const std::wstring& path) {
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool flushed = ::fsync(fd) == 0;
  ::close(fd);
  return flushed;
}

VolumeFlush::VolumeFlush(const std::wstring& path) {
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  handle_ = fd < 0 ? -1 : fd;
}

VolumeFlush::~VolumeFlush() {
  if (handle_ != -1) ::close(static_cast<int>(handle_));
}

bool VolumeFlush::flush() { return handle_ != -1 && ::syncfs(static_cast<int>(handle_)) == 0; }

ExclusiveLock::ExclusiveLock(const std::wstring& path) : path_(path) {
  const int fd = ::open(NativePath(path).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    busy_ = errno == EWOULDBLOCK;
    ::close(fd);
    return;
  }
  // The holder unlinks the file before it lets go: a lock taken on that
  // unlinked file guards nothing, so it only counts on the file the path names.
  struct stat opened {};
  struct stat named {};
  if (::fstat(fd, &opened) != 0 || ::stat(NativePath(path).c_str(), &named) != 0 ||
      opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
    busy_ = true;
    ::close(fd);
    return;
  }
  handle_ = fd;
}

ExclusiveLock::~ExclusiveLock() {
  if (handle_ == -1) return;
  ::unlink(NativePath(path_).c_str());
  ::close(static_cast<int>(handle_));
}

std::string LastErrorText() { return ", error " + std::to_string(errno); }

std::uint64_t SystemRandom() {
  std::uint64_t value = 0;
  auto* bytes = reinterpret_cast<unsigned char*>(&value);
  std::size_t got = 0;
  while (got < sizeof value) {
    const ssize_t done = ::getrandom(bytes + got, sizeof value - got, 0);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) std::abort();  // no random source: names could be guessed
    got += static_cast<std::size_t>(done);
  }
  return value;
}

std::uint64_t LocalFileTimeToUtc(std::uint64_t localTime) {
  const time_t now = ::time(nullptr);
  tm local{};
  ::localtime_r(&now, &local);
  const std::int64_t bias = static_cast<std::int64_t>(local.tm_gmtoff) * 10000000;
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(localTime) - bias);
}

}  // namespace platform
