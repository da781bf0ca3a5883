#pragma once
// Small Win32 helpers for the zip extraction's Windows tests.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace ziptest {

// <build>/bin, where zlib.dll, ZVKLaunch.exe and zvkclient.exe are built.
inline std::filesystem::path BinFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path().parent_path() / "bin";
}

struct FileTimesRead {
  std::uint64_t creation = 0;
  std::uint64_t access = 0;
  std::uint64_t write = 0;
};

inline std::uint64_t ToU64(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline bool ReadTimes(const std::filesystem::path& path, FileTimesRead& times) {
  HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME creation{}, access{}, write{};
  const bool ok = GetFileTime(file, &creation, &access, &write) != FALSE;
  CloseHandle(file);
  times = {ToU64(creation), ToU64(access), ToU64(write)};
  return ok;
}

// Whether files in `folder` keep a creation time that is set on them (Wine
// on most Linux file systems reports another one).
inline bool KeepsCreationTime(const std::filesystem::path& folder) {
  const std::filesystem::path probe = folder / "creation-probe.tmp";
  HANDLE file =
      CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME creation{};
  creation.dwHighDateTime = 0x01C00000;
  SetFileTime(file, &creation, nullptr, nullptr);
  CloseHandle(file);
  FileTimesRead times;
  const bool kept = ReadTimes(probe, times) && times.creation == ToU64(creation);
  DeleteFileW(probe.c_str());
  return kept;
}

inline DWORD Attributes(const std::filesystem::path& path) { return GetFileAttributesW(path.c_str()); }

}  // namespace ziptest
