#include "logging/log_file_store_win32.h"

#include "platform/open_beneath.h"

namespace run_report {
namespace {

// Far beyond the end of any log: locking it never stops a reader.
constexpr DWORD kLockOffsetHigh = 0x3FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFF0;
constexpr int kLockTries = 20;

// The cross-process lock on a log file; released when it goes.
class FileLock {
 public:
  FileLock(HANDLE file, int tries) : file_(file) {
    for (int attempt = 0; attempt < tries && !held_; ++attempt) {
      if (attempt > 0) Sleep(1);
      OVERLAPPED at = where();
      held_ = LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != FALSE;
    }
  }
  ~FileLock() {
    OVERLAPPED at = where();
    if (held_) UnlockFileEx(file_, 0, 1, 0, &at);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool held() const { return held_; }

 private:
  static OVERLAPPED where() {
    OVERLAPPED at{};
    at.Offset = kLockOffsetLow;
    at.OffsetHigh = kLockOffsetHigh;
    return at;
  }
  HANDLE file_;
  bool held_ = false;
};

}  // namespace

std::unique_ptr<Win32LogFileStore> Win32LogFileStore::Open(HANDLE folder, const std::wstring& name) {
  auto store = std::make_unique<Win32LogFileStore>(folder, name);
  if (!store->isOpen()) store.reset();
  return store;
}

Win32LogFileStore::Win32LogFileStore(HANDLE folder, const std::wstring& name)
    : folder_(folder), current_(name + L".log"), predecessor_(name + L".1.log"), file_(openCurrent()) {}

WinHandle Win32LogFileStore::openCurrent() const {
  platform::BeneathRequest request;
  request.folder = folder_;
  request.name = current_;
  // Appending only: every write lands at the end of the file. Reading is
  // there for the lock; others may read, append, and rename it.
  request.access = FILE_READ_DATA | FILE_APPEND_DATA | DELETE;
  request.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  request.disposition = FILE_OPEN_IF;
  return std::move(platform::OpenBeneath(request).handle);
}

bool Win32LogFileStore::append(const char* bytes, std::size_t size) {
  const FileLock lock(file_.get(), lockContended_ ? 1 : kLockTries);
  lockContended_ = !lock.held();
  DWORD written = 0;
  return WriteFile(file_.get(), bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

std::int64_t Win32LogFileStore::size() {
  LARGE_INTEGER size{};
  return GetFileSizeEx(file_.get(), &size) ? size.QuadPart : -1;
}

void Win32LogFileStore::flush() { FlushFileBuffers(file_.get()); }

bool Win32LogFileStore::rotate() {
  WinHandle next;
  {
    const FileLock lock(file_.get(), 1);
    if (!lock.held()) return false;
    next = openCurrent();
    if (!next) return false;
    // Only the file that still has the current name is rotated; when another
    // process has rotated it already, this one moves on to the new file.
    if (platform::SameObject(next.get(), file_.get())) {
      next.reset();
      if (!platform::RenameBeneath(file_.get(), folder_, predecessor_, true)) return false;
      next = openCurrent();
      if (!next) return false;
    }
  }
  file_ = std::move(next);
  return true;
}

}  // namespace run_report
