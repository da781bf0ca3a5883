#pragma once
// A program run as support reads it back: the log file beside the other
// sinks, the first lines (program and version, rights, Windows, the
// installation, the command line), the crash report, and one last line with
// the outcome and the exit code. Windows-only header.

#include <string>

namespace run_report {

struct ProgramRun {
  // The log's and crash reports' file name: "Updater", "ZVKLaunch".
  std::wstring program;
  std::wstring installationFolder;
};

// Called first thing in wWinMain, once. Never fails and never stops the
// program: without a log folder the lines still reach the other sinks, one
// of them saying why there is no file.
void Begin(const ProgramRun& run);

// The run's last line, just before wWinMain returns `exitCode`.
void End(const std::string& outcome, int exitCode);

}  // namespace run_report
