#pragma once
// Files that only their owner may read, such as a private key: written so,
// and refused when others could read, change, replace or remove them. POSIX
// judges the mode's group and other bits; Windows judges the file's owner and
// access list (DACL), where the current user, SYSTEM and the Administrators
// group may hold access.

#include <cstddef>
#include <string>

namespace platform {

struct PrivateFileRead {
  enum class Status {
    Read,        // `bytes` holds the file
    Unreadable,  // `reason`: why it could not be opened or read
    Exposed,     // `reason`: who else may read or change it, and how to stop that
    TooLarge,    // longer than the limit
  };
  Status status = Status::Unreadable;
  std::string bytes;
  std::string reason;  // UTF-8
};

// Opens the file once, judges who may read it through that handle and reads
// at most `limit` bytes through the same handle.
PrivateFileRead ReadPrivateFile(const std::wstring& path, std::size_t limit);

// Creates a new file that only the current user may read and write (mode
// 0600; on Windows a protected DACL for the user, SYSTEM and Administrators)
// and writes `bytes` to it. Never replaces anything, a link included. False
// with `error` (UTF-8, the system's reason) when it fails; nothing is left
// behind then.
bool WritePrivateFile(const std::wstring& path, const std::string& bytes, std::string& error);

}  // namespace platform
