#pragma once
// The log file of one program beneath its log folder's handle: "<name>.log"
// and its predecessor "<name>.1.log". Every process of the program appends
// to the same file; a byte-range lock far beyond any log's end keeps their
// lines whole (Windows appends atomically by itself, Wine does not) and
// lets one process at a time rotate. Windows-only header.

#include <windows.h>

#include <memory>
#include <string>

#include "logging/file_logger.h"
#include "platform/win_handle.h"

namespace run_report {

class Win32LogFileStore : public linelog::LogFileStore {
 public:
  // Opens the current file, making it when missing; null when it cannot be
  // opened or is not a plain file (a link, a second name). `folder` must
  // stay open as long as the store.
  static std::unique_ptr<Win32LogFileStore> Open(HANDLE folder, const std::wstring& name);
  // Opens as Open does; the store is of no use unless isOpen().
  Win32LogFileStore(HANDLE folder, const std::wstring& name);
  bool isOpen() const { return static_cast<bool>(file_); }

  bool append(const char* bytes, std::size_t size) override;
  std::int64_t size() override;
  void flush() override;
  bool rotate() override;

 private:
  WinHandle openCurrent() const;

  HANDLE folder_;
  std::wstring current_;
  std::wstring predecessor_;
  WinHandle file_;
  // Set once a line had to be written without the lock: the next lines try
  // it only once, so that whoever holds it cannot slow the program down.
  bool lockContended_ = false;
};

}  // namespace run_report
