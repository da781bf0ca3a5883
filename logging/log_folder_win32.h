#pragma once
// The folder of a program's log files and crash reports. Windows-only header.

#include <windows.h>

#include <string>

#include "platform/win_handle.h"

namespace run_report {

struct LogFolder {
  // Held open for the whole run and shared without delete access: the
  // folder cannot be moved or replaced while the program writes in it.
  WinHandle handle;
  std::wstring path;
  std::string refusal;  // why there is no folder; empty when there is one
};

// An elevated program's folder is %ProgramData%\Vellacast\logs, made so that
// administrators and the system may write in it and users read; one found
// there must belong to administrators, the system, or whoever owns
// %ProgramData% itself. Otherwise the folder is %LOCALAPPDATA%\Vellacast\logs.
// Each level is opened beneath the one before without following a link, and
// the folder must end up where it was asked for.
LogFolder OpenLogFolder(bool elevated);

}  // namespace run_report
