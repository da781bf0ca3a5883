#include <windows.h>

#include <cstdlib>
#include <utility>

#include "platform/file_system.h"
#include "platform/system_library_win32.h"

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

File File::CreateNew(const std::wstring& path, std::uint32_t attributes) {
  const DWORD flags = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  return File(reinterpret_cast<std::intptr_t>(handle));
}

File File::OpenLocked(const std::wstring& path) {
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  File file(reinterpret_cast<std::intptr_t>(handle));
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (file.isOpen() && (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) ||
                        (tag.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY |
                                               FILE_ATTRIBUTE_DEVICE)) != 0)) {
    file.close();
    SetLastError(ERROR_CANT_ACCESS_FILE);
  }
  return file;
}

std::int64_t File::size() const {
  LARGE_INTEGER size;
  return GetFileSizeEx(AsHandle(handle_), &size) ? size.QuadPart : -1;
}

bool File::flush() { return FlushFileBuffers(AsHandle(handle_)) != FALSE; }

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
  // Clearing the attributes of a link would clear its target's.
  if (InspectPath(path) == PathKind::File) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
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

PathKind InspectPath(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return PathKind::Link;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PathKind::Directory;
  return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? PathKind::Other : PathKind::File;
}

bool MovePath(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RemoveEmptyDirectory(const std::wstring& path) {
  if (InspectPath(path) != PathKind::Directory) return false;
  return RemoveDirectoryW(path.c_str()) != FALSE;
}

std::vector<std::wstring> ListDirectory(const std::wstring& path) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  const wchar_t last = path.empty() ? L'\\' : path.back();
  const std::wstring pattern = path + (last == L'\\' || last == L'/' ? L"*" : L"\\*");
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

// Renames are written through (MOVEFILE_WRITE_THROUGH) and NTFS journals its
// directories: nothing more to do.
bool FlushDirectory(const std::wstring&) { return true; }

VolumeFlush::VolumeFlush(const std::wstring& path) {
  wchar_t full[MAX_PATH] = {};
  wchar_t mount[MAX_PATH] = {};
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH || !GetVolumePathNameW(full, mount, MAX_PATH)) return;
  std::wstring volume = mount;
  // "C:\" opens as "\\.\C:"; other mount points are not opened.
  if (volume.size() != 3 || volume[1] != L':') return;
  HANDLE handle = CreateFileW((L"\\\\.\\" + volume.substr(0, 2)).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle != INVALID_HANDLE_VALUE) handle_ = reinterpret_cast<std::intptr_t>(handle);
}

VolumeFlush::~VolumeFlush() {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
}

bool VolumeFlush::flush() { return handle_ != -1 && FlushFileBuffers(AsHandle(handle_)) != FALSE; }

ExclusiveLock::ExclusiveLock(const std::wstring& path) : path_(path) {
  // Unshared: a second opener fails with a sharing violation until this one closes.
  HANDLE handle =
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    handle_ = reinterpret_cast<std::intptr_t>(handle);
  } else {
    busy_ = GetLastError() == ERROR_SHARING_VIOLATION;
  }
}

ExclusiveLock::~ExclusiveLock() {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
}

std::string LastErrorText() { return ", error " + std::to_string(GetLastError()); }

std::uint64_t SystemRandom() {
  // RtlGenRandom, looked up at run time rather than imported: advapi32
  // forwards it to cryptbase.dll, which is not a known DLL, and the loader
  // resolves an imported forwarder while it links the program, before the
  // entry point restricts the search to the system folder. Looked up now,
  // cryptbase.dll comes from the system folder.
  using GenRandom = BOOLEAN(WINAPI*)(PVOID, ULONG);
  static const GenRandom genRandom = [] {
    GenRandom function = nullptr;
    ResolveExport(LoadSystemLibrary(L"advapi32.dll"), "SystemFunction036", function);
    return function;
  }();
  std::uint64_t value = 0;
  if (genRandom == nullptr || !genRandom(&value, sizeof value)) std::abort();
  return value;
}

std::uint64_t LocalFileTimeToUtc(std::uint64_t localTime) {
  const FILETIME local = ToFileTime(localTime);
  FILETIME utc;
  if (!LocalFileTimeToFileTime(&local, &utc)) return localTime;
  return FromFileTime(utc);
}

}  // namespace platform
