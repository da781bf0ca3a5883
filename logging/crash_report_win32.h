#pragma once
// What a crash leaves for support: an unhandled exception, std::terminate or
// an invalid parameter passed to the C runtime writes a FATAL line (what
// happened, where: module and offset) to the log file and the debugger
// output, and a small minidump "<program>-<UTC date>-<UTC time>-<process
// id>.dmp" beside the log; then the program ends as it would have without
// the report, with the same exit code (0xC0000417 for the invalid parameter,
// as the system's C runtime ends it). Windows-only header.

#include <windows.h>

#include <string>

namespace linelog {
class FileLogger;
}

namespace run_report {

class Win32LogFileStore;

// Installs the report for the rest of the run; dbghelp.dll is loaded and
// the reporter's thread started now, so that a crash loads and allocates
// nothing. The report goes to the log file through the sink's own handle
// for urgent lines and the dump into the store's folder once it is open;
// without them (null) it writes what it still can. Call once, from the main
// thread, early.
void InstallCrashReport(const std::wstring& program, bool elevated, linelog::FileLogger* file,
                        const Win32LogFileStore* store);

// In builds made for the tests only (ZVK_CRASH_TEST_SWITCH): an access
// violation when the environment holds ZVK_TEST_CRASH=access-violation,
// once the lines logged so far have reached the file. Elsewhere it does
// nothing and the builds hold no trace of the switch.
void RaiseTestCrashWhenAsked(linelog::FileLogger* file);

}  // namespace run_report
