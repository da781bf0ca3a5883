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

// False, after an ERROR line naming the remedy, when the run is elevated
// but DLLs loaded by name may still come from the program's folder (Windows
// 7 without update KB2533623 lacks SetDefaultDllDirectories): whatever was
// planted beside the program would run with administrator rights, so such a
// run must not go on to anything that loads DLLs. A run without elevation
// goes on, with a WARN line. Call after Begin().
bool LibrarySearchFitsRights();

// The run's last line, just before wWinMain returns `exitCode`.
void End(const std::string& outcome, int exitCode);

}  // namespace run_report
