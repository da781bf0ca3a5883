#pragma once
// Opening files and folders inside a folder that is already open, never
// through a link: the name is looked up beneath the folder's handle, a
// reparse point at the name is opened as itself and refused, and what was
// opened is confirmed through its own handle. For programs that write with
// administrator rights into folders others may have prepared. Windows-only
// header.

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/win_handle.h"

namespace platform {

// Any: whatever is at the name, a link included, opened as itself and not
// confirmed (to move it out of the way).
// ERROR_OPLOCK_BREAK_IN_PROGRESS (742), which the MinGW headers lack: an
// object another program holds an opportunistic lock on.
constexpr DWORD kOplockBreakInProgressError = 742;

enum class ObjectKind { File, Directory, Any };

// What to open: `name` beneath `folder`, or a full path ("C:\\...") when
// `folder` is null. Dispositions are the native ones: FILE_OPEN (1),
// FILE_CREATE (2), FILE_OPEN_IF (3). `security` applies to a new object only.
struct BeneathRequest {
  HANDLE folder = nullptr;
  std::wstring name;
  ACCESS_MASK access = 0;
  ULONG share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  ULONG disposition = 1;
  ObjectKind kind = ObjectKind::File;
  PSECURITY_DESCRIPTOR security = nullptr;
  // Never wait for another program's opportunistic lock: an open that would
  // have to wait for it to be released fails with kOplockBreakInProgressError (the
  // object is busy) instead. For folders any user may read.
  bool neverWaitForOplocks = false;
};

struct BeneathObject {
  WinHandle handle;
  bool created = false;  // the open made it
};

// Opens the object and confirms through the handle that it is of the asked
// kind (File or Directory), no reparse point, and (a file) has exactly one name. Anything else is
// closed again and an empty handle returned, with the reason as the thread's
// last error (ERROR_CANT_ACCESS_FILE for a link or a second name).
BeneathObject OpenBeneath(const BeneathRequest& request);

// The full path the system gives the handle's object now, after every link
// on the way, in NormalFinalPath's form ("C:\\A\\b", a root "C:"); empty
// when it cannot tell.
std::wstring FinalPathOf(HANDLE handle);

// Two full paths that name the same place: equal without regard to case.
bool SamePath(const std::wstring& first, const std::wstring& second);

// Gives the open file `file` the name `name` beneath `folder`, replacing a
// file of that name (not one that is open) when `replace` is set. The file
// moves, whatever its old name now leads to. A rename waits until others
// release their opportunistic locks on the file (there is no way to ask it
// not to): never rename what others may hold open from a thread that must
// not wait.
bool RenameBeneath(HANDLE file, HANDLE folder, const std::wstring& name, bool replace);

// The same file or folder: volume and file index through both handles.
bool SameObject(HANDLE first, HANDLE second);

}  // namespace platform
