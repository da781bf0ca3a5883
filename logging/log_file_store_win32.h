#pragma once
// The log file of one program beneath its log folder's handle: "<name>.log",
// its predecessor "<name>.1.log", and "<name>.lock". Every process of the
// program appends to the same file; holding a byte of the lock file keeps
// their lines whole (Windows appends atomically by itself, Wine does not)
// and lets one process at a time rotate. In the administrators' folder the
// lock file is for administrators only, so that no user can hold it.
//
// Nothing in the folder is opened in a way that waits for another program's
// opportunistic lock, and the log file is never renamed (a rename waits for
// them whatever it is asked): a rotation copies the file into its
// predecessor and empties it. Windows-only header.

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "logging/file_logger.h"
#include "logging/log_folder_win32.h"
#include "platform/win_handle.h"

namespace run_report {

class Win32LogFileStore : public linelog::LogFileStore {
 public:
  // `makeFolder` runs in open(), on the log writer's thread.
  Win32LogFileStore(std::wstring name, std::function<LogFolder()> makeFolder);

  std::string open() override;
  bool lock() override;
  void unlock() override;
  bool append(const char* bytes, std::size_t size) override;
  std::int64_t size() override;
  void flush() override;
  bool rotate() override;
  bool appendUrgent(const char* bytes, std::size_t size) override;

  // The folder and why there is no log file (empty when there is one), once
  // open() has run; read them on the writer's thread (in a task posted to
  // the file sink).
  const LogFolder& folder() const { return folder_; }
  const std::string& refusal() const { return refusal_; }
  // The folder's handle once it is open, else null; any thread, at any time.
  HANDLE openFolder() const { return openFolder_.load(); }

 private:
  WinHandle openInFolder(const std::wstring& name, ACCESS_MASK access, ULONG disposition,
                         PSECURITY_DESCRIPTOR security = nullptr) const;
  std::string openFiles();
  bool copyInto(HANDLE predecessor);

  std::wstring current_;
  std::wstring predecessor_;
  std::wstring lockName_;
  std::function<LogFolder()> makeFolder_;
  LogFolder folder_;
  std::string refusal_;
  std::atomic<HANDLE> openFolder_{nullptr};
  WinHandle lockFile_;
  WinHandle file_;
  // The crash report's own handle to the same file: another file object,
  // so that its write never queues behind one of the writer's.
  WinHandle urgent_;
  // Set once the lock could not be had: the next batches try it only once,
  // so that whoever holds it cannot slow the writer down.
  bool lockContended_ = false;
  bool rotationRefusalTold_ = false;
};

}  // namespace run_report
