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

inline DWORD Attributes(const std::filesystem::path& path) { return GetFileAttributesW(path.c_str()); }

}  // namespace ziptest
