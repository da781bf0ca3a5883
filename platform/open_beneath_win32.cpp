#include <windows.h>
// The native file calls (NtCreateFile, NtSetInformationFile) need windows.h first.
#include <winternl.h>

#include <vector>

#include "platform/final_path.h"
#include "platform/open_beneath.h"

namespace platform {
namespace {

// STATUS_OPLOCK_BREAK_IN_PROGRESS (ntstatus.h does not mix with windows.h).
constexpr NTSTATUS kOplockBreakInProgress = 0x00000108;

bool IsFullPath(const std::wstring& name) { return name.size() >= 3 && name[1] == L':' && name[2] == L'\\'; }

// Refuses what the name must not be: a link of any kind, the other kind of
// object, or a file with a second name elsewhere (a hard link).
bool ConfirmedThroughHandle(HANDLE handle, ObjectKind kind) {
  FILE_ATTRIBUTE_TAG_INFO tag{};
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) ||
      !GetFileInformationByHandle(handle, &info))
    return false;
  const bool isDirectory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool isLink = ((tag.FileAttributes | info.dwFileAttributes) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (isLink || isDirectory != (kind == ObjectKind::Directory)) return false;
  return kind == ObjectKind::Directory || info.nNumberOfLinks == 1;
}

}  // namespace

BeneathObject OpenBeneath(const BeneathRequest& request) {
  BeneathObject result;
  const bool fullPath = request.folder == nullptr;
  if (fullPath && !IsFullPath(request.name)) {
    SetLastError(ERROR_BAD_PATHNAME);
    return result;
  }
  std::wstring name = fullPath ? L"\\??\\" + request.name : request.name;
  UNICODE_STRING text;
  text.Buffer = &name[0];
  text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  text.MaximumLength = text.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, request.folder, request.security);
  const ULONG kindOption = request.kind == ObjectKind::Directory ? FILE_DIRECTORY_FILE
                           : request.kind == ObjectKind::File    ? FILE_NON_DIRECTORY_FILE
                                                                 : 0;
  const ULONG options = FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT | kindOption |
                        (request.neverWaitForOplocks ? FILE_COMPLETE_IF_OPLOCKED : 0);
  IO_STATUS_BLOCK status{};
  HANDLE handle = nullptr;
  const NTSTATUS opened =
      NtCreateFile(&handle, request.access | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &attributes, &status,
                   nullptr, FILE_ATTRIBUTE_NORMAL, request.share, request.disposition, options, nullptr, 0);
  if (opened < 0) {
    SetLastError(RtlNtStatusToDosError(opened));
    return result;
  }
  result.handle = WinHandle(handle);
  // The open succeeded, but the object may not be used until another
  // program acknowledges the break of its opportunistic lock: maybe never.
  if (opened == kOplockBreakInProgress) {
    result.handle.reset();
    SetLastError(kOplockBreakInProgressError);
    return result;
  }
  if (request.kind != ObjectKind::Any && !ConfirmedThroughHandle(handle, request.kind)) {
    result.handle.reset();
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return result;
  }
  result.created = status.Information == FILE_CREATED;
  return result;
}

std::wstring FinalPathOf(HANDLE handle) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::wstring();
    if (length < buffer.size()) return NormalFinalPath(std::wstring(buffer.data(), length));
    buffer.resize(length + 1);
  }
}

bool SamePath(const std::wstring& first, const std::wstring& second) {
  return CompareStringOrdinal(first.c_str(), static_cast<int>(first.size()), second.c_str(),
                              static_cast<int>(second.size()), TRUE) == CSTR_EQUAL;
}

bool RenameBeneath(HANDLE file, HANDLE folder, const std::wstring& name, bool replace) {
  std::vector<unsigned char> storage(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(storage.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = folder;
  rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
  name.copy(rename->FileName, name.size());
  IO_STATUS_BLOCK status{};
  const NTSTATUS renamed =
      NtSetInformationFile(file, &status, rename, static_cast<ULONG>(storage.size()), FileRenameInformation);
  if (renamed < 0) SetLastError(RtlNtStatusToDosError(renamed));
  return renamed >= 0;
}

bool SameObject(HANDLE first, HANDLE second) {
  BY_HANDLE_FILE_INFORMATION one{};
  BY_HANDLE_FILE_INFORMATION other{};
  if (!GetFileInformationByHandle(first, &one) || !GetFileInformationByHandle(second, &other)) return false;
  return one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
         one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}

}  // namespace platform
