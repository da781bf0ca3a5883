#pragma once
// The folder of a program's log files and crash reports. Windows-only header.

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win_handle.h"

namespace run_report {

struct LogFolder {
  // Held open for the whole run and shared without delete access: the
  // folder cannot be moved or replaced while the program writes in it.
  WinHandle handle;
  std::wstring path;
  std::string refusal;  // why there is no folder; empty when there is one
  // The administrators' folder of an elevated program: what users must not
  // read is made for administrators only.
  bool machineWide = false;
  // What was done to other programs' objects on the way, for WARN lines.
  std::vector<std::string> notes;
};

// An elevated program's folder is %ProgramData%\Vellacast Updater\logs, made so that
// administrators and the system may write in it and users read; otherwise it
// is %LOCALAPPDATA%\Vellacast Updater\logs. Each level is opened beneath the one
// before without following a link, without waiting for others'
// opportunistic locks, and must end up where it was asked for. The call may
// wait for a rename (see OpenLogFolderIn): not for a thread that must not wait.
LogFolder OpenLogFolder(bool elevated);

// The same beneath `base`, a full path. For the administrators' folder each
// level that is found must belong to administrators (Administrators or
// SYSTEM; under Wine, which keeps no owners, the owner of `base`) and let no
// one else write, add, delete or change its access. The product's level,
// where the Client may keep files, is given the administrators' access list
// when an administrator owns it; anything else found in the place of a level
// (someone else's folder, a file, a link) is moved aside under a new name and
// the level made anew. What cannot be moved, or leads elsewhere, is refused.
LogFolder OpenLogFolderIn(const std::wstring& base, bool machineWide);

}  // namespace run_report
