#include <windows.h>

#include <utility>

#include "platform/file_system.h"

namespace platform {
namespace {

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

FILETIME ToFileTime(std::uint64_t value) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

std::uint64_t FromFileTime(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

File File::OpenForRead(const std::wstring& path) {
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  return File(reinterpret_cast<std::intptr_t>(handle));
}

File File::CreateForWrite(const std::wstring& path, std::uint32_t attributes) {
  const DWORD flags = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, flags, nullptr);
  return File(reinterpret_cast<std::intptr_t>(handle));
}

std::int64_t File::read(void* buffer, std::size_t size) {
  DWORD done = 0;
  const DWORD wanted = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  if (!ReadFile(AsHandle(handle_), buffer, wanted, &done, nullptr)) return -1;
  return done;
}

bool File::write(const void* buffer, std::size_t size) {
  const char* bytes = static_cast<const char*>(buffer);
  while (size > 0) {
    const DWORD piece = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!WriteFile(AsHandle(handle_), bytes, piece, &done, nullptr) || done == 0) return false;
    bytes += done;
    size -= done;
  }
  return true;
}

std::int64_t File::seek(std::int64_t offset, SeekOrigin origin) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  const DWORD method = origin == SeekOrigin::Begin ? FILE_BEGIN
                       : origin == SeekOrigin::End ? FILE_END
                                                   : FILE_CURRENT;
  if (!SetFilePointerEx(AsHandle(handle_), distance, &position, method)) return -1;
  return position.QuadPart;
}

bool File::setTimes(const FileTimes& times) {
  const FILETIME creation = ToFileTime(times.creation);
  const FILETIME access = ToFileTime(times.lastAccess);
  const FILETIME write = ToFileTime(times.lastWrite);
  return SetFileTime(AsHandle(handle_), &creation, &access, &write) != FALSE;
}

void File::close() {
  if (handle_ != kInvalid) CloseHandle(AsHandle(std::exchange(handle_, kInvalid)));
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CreateOneDirectory(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != FALSE; }

bool DiscardFile(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(path.c_str()) != FALSE;
}

bool ReplaceFileWith(const std::wstring& from, const std::wstring& to) {
  // MoveFileExW already refuses these on Windows; the check keeps Wine and
  // every file system to the same rule.
  const DWORD existing = GetFileAttributesW(to.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES &&
      (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::uint64_t LocalFileTimeToUtc(std::uint64_t localTime) {
  const FILETIME local = ToFileTime(localTime);
  FILETIME utc;
  if (!LocalFileTimeToFileTime(&local, &utc)) return localTime;
  return FromFileTime(utc);
}

}  // namespace platform
