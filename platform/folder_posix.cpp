#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <climits>
#include <utility>

#include "platform/final_path.h"
#include "platform/folder.h"
#include "platform/string_convert.h"

namespace platform {
namespace {

std::string NativeName(const std::wstring& name) { return WideToAnsi(name); }

bool IsPlainName(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/") == std::wstring::npos;
}

OpenStatus StatusOfErrno(int error) {
  switch (error) {
    case ENOENT:
      return OpenStatus::Missing;
    case EACCES:
    case EPERM:
    case EBUSY:
      return OpenStatus::Busy;
    case ELOOP:
      return OpenStatus::Link;
    case ENOTDIR:
    case EISDIR:
    case ENXIO:
      return OpenStatus::NotPlain;
    default:
      return OpenStatus::Failed;
  }
}

std::wstring SystemPath(int fd) {
  char buffer[PATH_MAX] = {};
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
  return length <= 0 ? std::wstring() : AnsiToWide(std::string(buffer, static_cast<std::size_t>(length)));
}

std::wstring FinalPath(int fd) { return NormalFinalPath(SystemPath(fd)); }

bool SameFile(int fd, int folder, const std::wstring& name) {
  struct stat opened {};
  struct stat named {};
  return ::fstat(fd, &opened) == 0 &&
         ::fstatat(folder, NativeName(name).c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

bool OwnedByRootAlone(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0 || info.st_uid != 0) return false;
  const bool groupWrites = (info.st_mode & S_IWGRP) != 0 && info.st_gid != 0;
  return !groupWrites && (info.st_mode & S_IWOTH) == 0;
}

}  // namespace

Folder::~Folder() { close(); }

Folder::Folder(Folder&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalid)),
      path_(std::move(other.path_)),
      finalPath_(std::move(other.finalPath_)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, kInvalid);
    path_ = std::move(other.path_);
    finalPath_ = std::move(other.finalPath_);
  }
  return *this;
}

void Folder::close() {
  if (handle_ != kInvalid) ::close(static_cast<int>(std::exchange(handle_, kInvalid)));
}

Folder Folder::Open(const std::wstring& path, OpenStatus& status) { return OpenPath(path, false, status); }

Folder Folder::OpenTrusted(const std::wstring& path, OpenStatus& status) { return OpenPath(path, true, status); }

Folder Folder::OpenPath(const std::wstring& path, bool followLink, OpenStatus& status) {
  std::string native = WideToAnsi(path);
  std::replace(native.begin(), native.end(), '\\', '/');
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | (followLink ? 0 : O_NOFOLLOW) | O_CLOEXEC);
  if (fd < 0) {
    status = StatusOfErrno(errno);
    return Folder();
  }
  const wchar_t last = path.empty() ? L'/' : path.back();
  status = OpenStatus::Opened;
  return Folder(fd, last == L'\\' || last == L'/' ? path : path + L"/", FinalPath(fd));
}

Folder Folder::openFolder(const std::wstring& name, OpenStatus& status) const {
  if (!IsPlainName(name)) {
    status = OpenStatus::Failed;
    return Folder();
  }
  const int fd = ::openat(static_cast<int>(handle_), NativeName(name).c_str(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    status = StatusOfErrno(errno);
    return Folder();
  }
  Folder folder(fd, path_ + name + L"/", FinalPath(fd));
  status = isPathOf(folder.finalPath_, name) ? OpenStatus::Opened : OpenStatus::Link;
  return status == OpenStatus::Opened ? std::move(folder) : Folder();
}

File Folder::openFile(const std::wstring& name, FileUse, OpenStatus& status) const {
  if (!IsPlainName(name)) {
    status = OpenStatus::Failed;
    return File();
  }
  // Non-blocking: opening a FIFO planted under that name must not hang.
  const int fd = ::openat(static_cast<int>(handle_), NativeName(name).c_str(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    status = StatusOfErrno(errno);
    return File();
  }
  File file(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    status = OpenStatus::Failed;
  } else if (!S_ISREG(info.st_mode) || info.st_nlink != 1) {
    status = OpenStatus::NotPlain;
  } else {
    status = isPathOf(SystemPath(fd), name) ? OpenStatus::Opened : OpenStatus::Link;
  }
  if (status != OpenStatus::Opened) file.close();
  return file;
}

File Folder::createFile(const std::wstring& name) const {
  if (!IsPlainName(name)) return File();
  const int fd = ::openat(static_cast<int>(handle_), NativeName(name).c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  return File(fd < 0 ? File::kInvalid : fd);
}

// POSIX removes and renames by name: only while the name still is the file.
bool Folder::removeFile(File& file, const std::wstring& name) const {
  const int folder = static_cast<int>(handle_);
  if (!SameFile(static_cast<int>(file.handle_), folder, name)) return false;
  return ::unlinkat(folder, NativeName(name).c_str(), 0) == 0;
}

bool Folder::renameFile(File& file, const std::wstring& name, const std::wstring& newName) const {
  const int folder = static_cast<int>(handle_);
  if (!IsPlainName(newName) || !SameFile(static_cast<int>(file.handle_), folder, name)) return false;
  struct stat target {};
  const std::string newNative = NativeName(newName);
  if (::fstatat(folder, newNative.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0 &&
      (S_ISDIR(target.st_mode) || (target.st_mode & S_IWUSR) == 0)) {
    errno = EACCES;
    return false;
  }
  return ::renameat(folder, NativeName(name).c_str(), folder, newNative.c_str()) == 0;
}

bool Folder::isPathOf(const std::wstring& finalPath, const std::wstring& name) const {
  return !finalPath.empty() && NormalFinalPath(finalPath) == ChildFinalPath(finalPath_, name, L'/');
}

std::wstring SystemPathOf(const File& file) {
  return file.isOpen() ? SystemPath(static_cast<int>(file.nativeHandle())) : std::wstring();
}

bool Folder::moveFileInto(File& file, const std::wstring& name, const Folder& destination,
                          const std::wstring& newName) const {
  const int folder = static_cast<int>(handle_);
  if (!IsPlainName(newName) || !SameFile(static_cast<int>(file.handle_), folder, name)) return false;
  return ::renameat2(folder, NativeName(name).c_str(), static_cast<int>(destination.handle_),
                     NativeName(newName).c_str(), RENAME_NOREPLACE) == 0;
}

bool Folder::onlyAdministratorsCanWrite() const {
  return isOpen() && OwnedByRootAlone(static_cast<int>(handle_));
}

bool OnlyAdministratorsCanWrite(const File& file) {
  return file.isOpen() && OwnedByRootAlone(static_cast<int>(file.nativeHandle()));
}

bool DescriptorAllowsOnlyAdministrators(const void*) { return false; }

bool RunsElevated() { return ::geteuid() == 0; }

}  // namespace platform
