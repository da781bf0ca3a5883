#pragma once
// The crash reports' files beneath the log folder's handle:
// "<program>-<UTC date>-<UTC time>-<process id>.dmp", a few per program.
// Windows-only header.

#include <windows.h>

#include <string>

#include "platform/win_handle.h"

namespace run_report {

// Crash reports a program keeps: this run's and the newest older ones.
constexpr int kKeptCrashReports = 5;

// The name of a report written now by this process.
std::wstring CrashReportName(const std::wstring& program);

// Creates the report's file (never one that exists, never through a link).
WinHandle CreateCrashReportFile(HANDLE folder, const std::wstring& name);

// Deletes the program's oldest reports in the folder, leaving room for this
// run's among the kept ones.
void PruneCrashReports(HANDLE folder, const std::wstring& program);

}  // namespace run_report
