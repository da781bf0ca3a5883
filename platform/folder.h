#pragma once
// Folders and files that others may write, handled by an elevated program:
// every name is opened without following a link, checked through the handle
// it gave (a plain file or folder, one name, its final path where it was
// looked for), and then read, copied, renamed or removed through that same
// handle, never by its name again.
//
// While a Folder is open nobody can rename or delete it; while a file is
// open through it, others may only read that file (on Windows: share modes;
// POSIX has no such locks, so there a file can still be written).

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace platform {

enum class OpenStatus {
  Opened,
  Missing,   // nothing has that name
  Busy,      // held by another process, or access refused: may work later
  Link,      // a symbolic link, junction or other reparse point, or it leads elsewhere
  NotPlain,  // a folder where a file was expected (or the reverse), a device, or a file with other names
  Failed,    // any other error
};

// A short English text for log lines.
const char* DescribeOpenStatus(OpenStatus status);

enum class FileUse {
  Read,        // read only
  ReadRemove,  // read, and remove or rename it later through its folder
  Remove,      // only remove or rename it through its folder: its data is never read
};

class Folder {
 public:
  Folder() = default;
  ~Folder();
  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  // Opens a folder by its full path; a link at its last component is refused
  // (the folders above it are the caller's to trust).
  static Folder Open(const std::wstring& path, OpenStatus& status);
  // Opens a folder the caller trusts by its full path, whatever links lead
  // there (the installation folder, which may be reached through a junction).
  // What is opened beneath it is checked as ever, against where it really is.
  static Folder OpenTrusted(const std::wstring& path, OpenStatus& status);

  bool isOpen() const { return handle_ != kInvalid; }
  // The path it was opened by, ending in a separator, for log lines.
  const std::wstring& path() const { return path_; }

  // The folder `name` (one path component) in this one, confirmed to be a
  // plain folder whose final path is this folder's plus `name`.
  Folder openFolder(const std::wstring& name, OpenStatus& status) const;
  // The file `name` in this one, confirmed to be a plain file with one name
  // whose final path is this folder's plus `name`; others may only read it
  // while it is open.
  File openFile(const std::wstring& name, FileUse use, OpenStatus& status) const;
  // A new file `name` for writing, unshared; fails when anything has that name.
  // Only administrators may open it (Windows: a protected access list for
  // SYSTEM and Administrators, nothing inherited from this folder).
  File createFile(const std::wstring& name) const;

  // Removes `file`, opened here as `name` with FileUse::ReadRemove, through
  // its handle (a read-only file too). The file stays open until closed.
  bool removeFile(File& file, const std::wstring& name) const;
  // Renames `file` (opened here as `name`, ReadRemove) to `newName` in this
  // folder, replacing a file of that name (a link there is replaced, not
  // followed). False when that file is read-only, a folder, or in use.
  bool renameFile(File& file, const std::wstring& name, const std::wstring& newName) const;
  // Moves `file` (opened here as `name`, ReadRemove) into `destination` as
  // `newName`, replacing nothing. The file moves, wherever its old name leads
  // now; both folders are held open, so neither can have been swapped.
  bool moveFileInto(File& file, const std::wstring& name, const Folder& destination,
                    const std::wstring& newName) const;

  // True when only administrators (SYSTEM, the Administrators group,
  // TrustedInstaller) may add, change, remove or rename anything in it, or
  // change who may: the owner and every entry of its access list that grants
  // such a right, inherited ones and those it passes on included, name one of
  // them. POSIX: owned by root and writable by nobody else.
  bool onlyAdministratorsCanWrite() const;

  // True when `finalPath` (a final path in any of the system's forms) names
  // `name` in this folder.
  bool isPathOf(const std::wstring& finalPath, const std::wstring& name) const;

 private:
  static constexpr std::intptr_t kInvalid = -1;
  static Folder OpenPath(const std::wstring& path, bool followLink, OpenStatus& status);
  Folder(std::intptr_t handle, std::wstring path, std::wstring finalPath)
      : handle_(handle), path_(std::move(path)), finalPath_(std::move(finalPath)) {}
  void close();

  std::intptr_t handle_ = kInvalid;  // HANDLE on Windows, descriptor on POSIX
  std::wstring path_;
  std::wstring finalPath_;  // as the system names the opened folder, in NormalFinalPath's form
};

// The full path the system gives the open file now, in the form it gives it
// (on Windows "\\?\C:\...": a name no search or translation can change);
// empty when it cannot tell.
std::wstring SystemPathOf(const File& file);

// The folder `relative` ("\\" or "/" between components, not empty) beneath
// `root`, every folder on the way opened as Folder::openFolder opens one: no
// link is followed, and the first component that is not a plain folder
// decides the status.
Folder OpenFolderBeneath(const Folder& root, const std::wstring& relative, OpenStatus& status);
// The file `relative` beneath `root` as Folder::openFile opens it, the
// folders on the way as OpenFolderBeneath does. `parent`, when given,
// receives the folder that holds it, unless that is `root` itself (it stays
// closed then, as it does when the file could not be opened).
File OpenFileBeneath(const Folder& root, const std::wstring& relative, FileUse use, OpenStatus& status,
                     Folder* parent = nullptr);

// The same rule as Folder::onlyAdministratorsCanWrite, for an open file.
bool OnlyAdministratorsCanWrite(const File& file);

// The rule of Folder::onlyAdministratorsCanWrite applied to a Windows
// SECURITY_DESCRIPTOR (its owner and access list). False on POSIX.
bool DescriptorAllowsOnlyAdministrators(const void* descriptor);

// Whether this process runs with administrator rights (an elevated token on
// Windows, effective user root on POSIX). True when the token cannot be
// read: the stricter rules then apply.
bool RunsElevated();

}  // namespace platform
