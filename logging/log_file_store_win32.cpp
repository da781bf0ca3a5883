#include "logging/log_file_store_win32.h"

#include <vector>

#include "logging/log_security_win32.h"
#include "logging/n_log.h"
#include "platform/open_beneath.h"

namespace run_report {
namespace {

// How long the writer tries for the lock before it writes without it.
constexpr int kLockTries = 200;
constexpr DWORD kCopyBlock = 64 * 1024;

// WriteFile's offset that means "at the end of the file, whatever it is now".
OVERLAPPED AtEndOfFile() {
  OVERLAPPED at{};
  at.Offset = 0xFFFFFFFF;
  at.OffsetHigh = 0xFFFFFFFF;
  return at;
}

std::string Busy(const char* what, DWORD error) {
  if (error == platform::kOplockBreakInProgressError)
    return std::string(what) + ": another program holds an opportunistic lock on it";
  return std::string(what) + ", error " + std::to_string(error);
}

}  // namespace

Win32LogFileStore::Win32LogFileStore(std::wstring name, std::function<LogFolder()> makeFolder)
    : current_(name + L".log"),
      predecessor_(name + L".1.log"),
      lockName_(name + L".lock"),
      makeFolder_(std::move(makeFolder)) {}

WinHandle Win32LogFileStore::openInFolder(const std::wstring& name, ACCESS_MASK access, ULONG disposition,
                                          PSECURITY_DESCRIPTOR security) const {
  platform::BeneathRequest request;
  request.folder = folder_.handle.get();
  request.name = name;
  request.access = access;
  // Others (users too) may read it, append to it and delete it.
  request.share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  request.disposition = disposition;
  request.security = security;
  request.neverWaitForOplocks = true;
  return std::move(platform::OpenBeneath(request).handle);
}

std::string Win32LogFileStore::open() {
  folder_ = makeFolder_();
  refusal_ = openFiles();
  return refusal_;
}

std::string Win32LogFileStore::openFiles() {
  if (!folder_.handle) return folder_.refusal.empty() ? "no log folder" : folder_.refusal;
  openFolder_ = folder_.handle.get();
  const SecurityDescriptor lockSecurity(folder_.machineWide ? kAdministratorsOnlySecurity : nullptr);
  // Without it, lines of two processes may interleave under Wine; the log is
  // still written.
  lockFile_ = openInFolder(lockName_, FILE_WRITE_DATA, FILE_OPEN_IF, lockSecurity.get());
  // Reading and writing for the rotation; every write goes to the end.
  file_ = openInFolder(current_, FILE_READ_DATA | FILE_WRITE_DATA | FILE_APPEND_DATA, FILE_OPEN_IF);
  if (!file_) return Busy("cannot open the log file", GetLastError());
  urgent_ = openInFolder(current_, FILE_APPEND_DATA, FILE_OPEN);
  if (urgent_ && !platform::SameObject(urgent_.get(), file_.get())) urgent_.reset();
  return {};
}

bool Win32LogFileStore::lock() {
  if (!lockFile_) return false;
  const int tries = lockContended_ ? 1 : kLockTries;
  for (int attempt = 0; attempt < tries; ++attempt) {
    // Only the writer's thread waits here; no thread that logs does.
    if (attempt > 0) Sleep(1);
    OVERLAPPED at{};
    if (LockFileEx(lockFile_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      lockContended_ = false;
      return true;
    }
  }
  lockContended_ = true;
  return false;
}

void Win32LogFileStore::unlock() {
  OVERLAPPED at{};
  UnlockFileEx(lockFile_.get(), 0, 1, 0, &at);
}

bool Win32LogFileStore::append(const char* bytes, std::size_t size) {
  OVERLAPPED at = AtEndOfFile();
  DWORD written = 0;
  return WriteFile(file_.get(), bytes, static_cast<DWORD>(size), &written, &at) && written == size;
}

std::int64_t Win32LogFileStore::size() {
  LARGE_INTEGER size{};
  return GetFileSizeEx(file_.get(), &size) ? size.QuadPart : -1;
}

void Win32LogFileStore::flush() { FlushFileBuffers(file_.get()); }

bool Win32LogFileStore::appendUrgent(const char* bytes, std::size_t size) {
  DWORD written = 0;
  if (!urgent_ || !WriteFile(urgent_.get(), bytes, static_cast<DWORD>(size), &written, nullptr)) return false;
  FlushFileBuffers(urgent_.get());
  return written == size;
}

// The predecessor is written anew, then the file emptied: neither waits for
// a reader's opportunistic lock (the overwrite does not wait, and emptying
// a file that this process holds open breaks only shared ones, whose
// holders are not waited for).
bool Win32LogFileStore::rotate() {
  const WinHandle predecessor = openInFolder(predecessor_, FILE_WRITE_DATA, FILE_OVERWRITE_IF);
  if (!predecessor) {
    if (!rotationRefusalTold_)
      ZM_WARN << Busy("the log file is not rotated: its predecessor cannot be written", GetLastError());
    rotationRefusalTold_ = true;
    return false;
  }
  rotationRefusalTold_ = false;
  FILE_END_OF_FILE_INFO empty{};
  return copyInto(predecessor.get()) &&
         SetFileInformationByHandle(file_.get(), FileEndOfFileInfo, &empty, sizeof empty) != FALSE;
}

bool Win32LogFileStore::copyInto(HANDLE predecessor) {
  std::vector<char> block(kCopyBlock);
  for (ULONGLONG offset = 0;;) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(file_.get(), block.data(), kCopyBlock, &got, &at))
      return GetLastError() == ERROR_HANDLE_EOF;
    if (got == 0) return true;
    DWORD written = 0;
    if (!WriteFile(predecessor, block.data(), got, &written, nullptr) || written != got) return false;
    offset += got;
  }
}

}  // namespace run_report
