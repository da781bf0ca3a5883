#pragma once
// What a crash leaves for support: an unhandled exception or std::terminate
// writes a FATAL line (what happened, where: module and offset) to the log
// file and the debugger output, and a small minidump
// "<program>-<UTC date>-<UTC time>-<process id>.dmp" beside the log; then the
// program ends as it would have without the report, with the same exit code.
// Windows-only header.

#include <windows.h>

#include <string>

namespace linelog {
class FileLogger;
}

namespace run_report {

// Installs the report for the rest of the run; dbghelp.dll is loaded now,
// from the system folder only, so that a crash loads nothing. Without
// a folder (null) or a file sink (null) the report writes what it still can.
// Call once, from the main thread, early.
void InstallCrashReport(HANDLE folder, const std::wstring& program, linelog::FileLogger* file);

// In builds made for the tests only (ZVK_CRASH_TEST_SWITCH): an access
// violation when the environment holds ZVK_TEST_CRASH=access-violation.
// Elsewhere it does nothing and the builds hold no trace of the switch.
void RaiseTestCrashWhenAsked();

}  // namespace run_report
