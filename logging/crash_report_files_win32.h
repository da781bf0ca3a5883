#pragma once
// The crash reports' files beneath the log folder's handle:
// "<program>-<UTC date>-<UTC time>-<process id>.dmp", a few per program.
// Windows-only header.

#include <windows.h>

#include <string>

#include "logging/log_security_win32.h"
#include "platform/win_handle.h"

namespace run_report {

// Crash reports a program keeps: this run's and the newest older ones.
constexpr int kKeptCrashReports = 5;

// What making a report's file needs, made before any crash: at the crash
// nothing is allocated.
class CrashReportFile {
 public:
  // An elevated program's memory is the administrators' to read: its
  // reports are made for them alone.
  CrashReportFile(const std::wstring& program, bool administratorsOnly);
  CrashReportFile(const CrashReportFile&) = delete;
  CrashReportFile& operator=(const CrashReportFile&) = delete;

  // Creates a new report's file beneath `folder` (never one that exists,
  // never through a link, never waiting for another program); its name is
  // then name(). An empty handle, with the thread's last error, on failure.
  WinHandle create(HANDLE folder);
  const wchar_t* name() const { return name_; }

 private:
  static constexpr std::size_t kNameCapacity = 128;
  wchar_t name_[kNameCapacity] = {};
  std::size_t programLength_ = 0;
  SecurityDescriptor security_;
};

// Deletes the program's oldest reports in the folder, leaving room for this
// run's among the kept ones. A report that another program has open is left
// (with a WARN line) rather than waited for.
void PruneCrashReports(HANDLE folder, const std::wstring& program);

}  // namespace run_report
