#pragma once
// Files and directories addressed by wide paths, for the zip extraction.
// Paths use "\" or "/" as separators; the POSIX implementation turns "\" into
// "/" and the wide text into UTF-8. Times are Windows file times (UTC, 100-ns
// units since 1601-01-01). Attribute bits are the Windows ones; the POSIX
// implementation honours only read-only (through the file mode).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeHidden = 0x02;
constexpr std::uint32_t kAttributeSystem = 0x04;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;

struct FileTimes {
  std::uint64_t creation = 0;
  std::uint64_t lastAccess = 0;
  std::uint64_t lastWrite = 0;
};

enum class SeekOrigin { Begin, Current, End };

// One open file. Move-only; the destructor closes it.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file for reading; others may read it at the same time.
  // The result is closed (isOpen() false) on failure.
  static File OpenForRead(const std::wstring& path);
  // Creates or truncates a file for writing, unshared, with the given
  // attribute bits. The result is closed on failure.
  static File CreateForWrite(const std::wstring& path, std::uint32_t attributes);
  // Creates a new file for writing, unshared; fails when anything (a file, a
  // link, a folder) already has that name, so nothing planted there is written
  // through. The result is closed on failure.
  static File CreateNew(const std::wstring& path, std::uint32_t attributes);
  // Opens an existing plain file for reading without following a link at its
  // name; others may only read it while it is open (Windows). Closed when the
  // name is a link, a folder or anything else than a plain file.
  static File OpenLocked(const std::wstring& path);
  // Takes ownership of an open system handle (a HANDLE, a descriptor).
  static File AdoptNativeHandle(std::intptr_t handle) { return File(handle); }
  std::intptr_t nativeHandle() const { return handle_; }

  bool isOpen() const { return handle_ != kInvalid; }
  // Reads up to `size` bytes; returns the count, or -1 on an error.
  std::int64_t read(void* buffer, std::size_t size);
  // Writes all `size` bytes; false on any error (disk full included).
  bool write(const void* buffer, std::size_t size);
  // Returns the new position, or -1 on an error.
  std::int64_t seek(std::int64_t offset, SeekOrigin origin);
  std::int64_t tell() { return seek(0, SeekOrigin::Current); }
  // The length in bytes, or -1 on an error; the position is left alone.
  std::int64_t size() const;
  // Sets all three times (creation is ignored where the system has none).
  bool setTimes(const FileTimes& times);
  // Writes the file's data through to the disk; false on an error.
  bool flush();
  void close();

 private:
  friend class Folder;
  static constexpr std::intptr_t kInvalid = -1;
  explicit File(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_ = kInvalid;  // HANDLE on Windows, descriptor on POSIX
};

bool PathExists(const std::wstring& path);
// Creates one directory level; false when it could not be created.
bool CreateOneDirectory(const std::wstring& path);
// Deletes a file whatever its attributes (for the caller's own temporary files).
bool DiscardFile(const std::wstring& path);
// Moves `from` over `to`, replacing an existing file. Fails when `to` is a
// read-only file or a directory, leaving both untouched.
bool ReplaceFileWith(const std::wstring& from, const std::wstring& to);

// What a name is, without following a link: a symbolic link, a junction or
// any other reparse point is a Link whatever it points to.
enum class PathKind { Missing, File, Directory, Link, Other };
PathKind InspectPath(const std::wstring& path);

// Renames `from` to `to` on the same volume; fails when `to` exists. A
// read-only file moves like any other. The move is on disk when it returns.
bool MovePath(const std::wstring& from, const std::wstring& to);
// Removes an empty directory (never a link's target).
bool RemoveEmptyDirectory(const std::wstring& path);
// The names in a directory, without "." and "..". Empty when unreadable.
std::vector<std::wstring> ListDirectory(const std::wstring& path);
// Makes the directory's entries (renames, creations) durable, where the
// system needs that separately from the files' own data. True otherwise.
bool FlushDirectory(const std::wstring& path);

// Writes through every cached write of the volume that holds `path`, held
// open from construction (Windows needs administrator rights for that).
class VolumeFlush {
 public:
  explicit VolumeFlush(const std::wstring& path);
  ~VolumeFlush();
  VolumeFlush(const VolumeFlush&) = delete;
  VolumeFlush& operator=(const VolumeFlush&) = delete;
  // False when the volume could not be opened for flushing.
  bool available() const { return handle_ != -1; }
  bool flush();

 private:
  std::intptr_t handle_ = -1;
};

// ", error N" with the code of this thread's last failed file call
// (GetLastError on Windows, errno elsewhere), for log lines.
std::string LastErrorText();

// An exclusive lock that one process at a time holds, through a lock file
// that exists while it is held (a link at its name is not followed).
class ExclusiveLock {
 public:
  explicit ExclusiveLock(const std::wstring& path);
  ~ExclusiveLock();
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;
  // False when another process holds it (or the file cannot be made).
  bool held() const { return handle_ != -1; }
  // True when it is not held because another process holds it: worth
  // waiting for, unlike a file that cannot be made at all.
  bool busy() const { return busy_; }

 private:
  std::wstring path_;
  std::intptr_t handle_ = -1;
  bool busy_ = false;
};

// 64 bits from the system's random source (getrandom, RtlGenRandom).
std::uint64_t SystemRandom();

// Converts a file time taken as local time to UTC, with the current bias
// (as LocalFileTimeToFileTime does).
std::uint64_t LocalFileTimeToUtc(std::uint64_t localTime);

}  // namespace platform
