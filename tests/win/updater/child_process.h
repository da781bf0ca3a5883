#pragma once
// A Windows process started by a test. The destructor terminates it when it
// still runs, so that no test leaves a process behind.

#include <windows.h>

#include <string>

#include "platform/win_handle.h"

class ChildProcess {
 public:
  // Starts `exe` with `arguments` (the text after the program name). Check
  // started() for the outcome.
  ChildProcess(const std::wstring& exe, const std::wstring& arguments);
  ~ChildProcess();
  ChildProcess(ChildProcess&&) = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return static_cast<bool>(process_); }
  DWORD id() const { return id_; }
  bool running() const;
  // True when the process ended within `milliseconds`.
  bool waitForExit(DWORD milliseconds) const;
  // The exit code, or STILL_ACTIVE while it runs.
  DWORD exitCode() const;

 private:
  WinHandle process_;
  DWORD id_ = 0;
};

// Folder of the test program, with a final backslash.
std::wstring TestDirectory();

// True when a visible top-level window belongs to the process.
bool ProcessHasVisibleWindow(DWORD processId);
