#include <windows.h>
// The native API for opens relative to a folder handle, and the security
// descriptor calls; both need the declarations of windows.h first.
#include <aclapi.h>
#include <winternl.h>

#include <cwchar>
#include <memory>
#include <utility>
#include <vector>

#include "platform/final_path.h"
#include "platform/folder.h"
#include "platform/win_handle.h"

namespace platform {
namespace {

// Not every MinGW header names these.
constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT
constexpr ULONG kSynchronousIo = 0x00000020;     // FILE_SYNCHRONOUS_IO_NONALERT
constexpr ULONG kDirectoryFile = 0x00000001;     // FILE_DIRECTORY_FILE
constexpr ULONG kNonDirectoryFile = 0x00000040;  // FILE_NON_DIRECTORY_FILE
constexpr ULONG kOpen = 1;                       // FILE_OPEN
constexpr ULONG kCreate = 2;                     // FILE_CREATE

constexpr ACCESS_MASK kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE;
// Others may add and remove files in an open folder, never rename or delete it.
constexpr DWORD kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
std::intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

OpenStatus StatusOfError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return OpenStatus::Missing;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:
      return OpenStatus::Busy;
    case ERROR_DIRECTORY:
      return OpenStatus::NotPlain;
    default:
      return OpenStatus::Failed;
  }
}

OpenStatus StatusOfNt(NTSTATUS status) {
  switch (static_cast<std::uint32_t>(status)) {
    case 0xC0000034u:  // STATUS_OBJECT_NAME_NOT_FOUND
    case 0xC000003Au:  // STATUS_OBJECT_PATH_NOT_FOUND
      return OpenStatus::Missing;
    case 0xC0000043u:  // STATUS_SHARING_VIOLATION
    case 0xC0000022u:  // STATUS_ACCESS_DENIED
    case 0xC0000056u:  // STATUS_DELETE_PENDING
      return OpenStatus::Busy;
    case 0xC00000BAu:  // STATUS_FILE_IS_A_DIRECTORY
    case 0xC0000103u:  // STATUS_NOT_A_DIRECTORY
      return OpenStatus::NotPlain;
    default:
      return OpenStatus::Failed;
  }
}

// A single path component: no separator, no stream, not "." or "..".
bool IsPlainName(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." && name.size() < 256 &&
         name.find_first_of(L"\\/:") == std::wstring::npos;
}

// Opens `name` relative to the folder handle, never following a reparse
// point. On failure `status` says why (and so does GetLastError).
HANDLE OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share,
                    ULONG disposition, ULONG options, OpenStatus& status,
                    PSECURITY_DESCRIPTOR security = nullptr) {
  status = OpenStatus::Failed;
  if (!IsPlainName(name)) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  UNICODE_STRING text;
  text.Buffer = const_cast<PWSTR>(name.c_str());
  text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, security);
  IO_STATUS_BLOCK io{};
  HANDLE handle = nullptr;
  const NTSTATUS result =
      NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share,
                   disposition, options | kOpenReparsePoint | kSynchronousIo, nullptr, 0);
  if (result < 0) {
    status = StatusOfNt(result);
    SetLastError(RtlNtStatusToDosError(result));
    return INVALID_HANDLE_VALUE;
  }
  status = OpenStatus::Opened;
  return handle;
}

// As the system gives it, "\\?\" prefix and all.
std::wstring SystemPath(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(handle, &path[0], static_cast<DWORD>(path.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length + 1);
  }
}

std::wstring FinalPath(HANDLE handle) {
  const std::wstring path = SystemPath(handle);
  return path.empty() ? path : NormalFinalPath(path);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

// What the handle is: a plain folder or file (with one name), or else why not.
OpenStatus Classify(HANDLE handle, bool folder) {
  FILE_ATTRIBUTE_TAG_INFO tag{};
  FILE_STANDARD_INFO standard{};
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) ||
      !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard))
    return OpenStatus::Failed;
  if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return OpenStatus::Link;
  const bool isFolder = (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (isFolder != folder || (tag.FileAttributes & FILE_ATTRIBUTE_DEVICE) != 0) return OpenStatus::NotPlain;
  if (!folder && standard.NumberOfLinks != 1) return OpenStatus::NotPlain;
  return OpenStatus::Opened;
}

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};

// NT SERVICE\TrustedInstaller: S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464.
// Built in static storage: nothing to allocate, nothing to free.
const SID* TrustedInstallerSid() {
  static const struct Storage {
    alignas(SID) BYTE bytes[SECURITY_MAX_SID_SIZE] = {};
    bool valid = false;
    Storage() {
      static const DWORD kSubAuthorities[] = {80,          956008885u,  3418522649u,
                                              1831038044u, 1853292631u, 2271478464u};
      SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
      constexpr BYTE kCount = sizeof kSubAuthorities / sizeof kSubAuthorities[0];
      if (!InitializeSid(bytes, &nt, kCount)) return;
      for (BYTE index = 0; index < kCount; ++index)
        *GetSidSubAuthority(bytes, index) = kSubAuthorities[index];
      valid = true;
    }
  } storage;
  return storage.valid ? reinterpret_cast<const SID*>(storage.bytes) : nullptr;
}

bool IsAdministrator(PSID sid) {
  return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
         (TrustedInstallerSid() != nullptr && EqualSid(sid, const_cast<SID*>(TrustedInstallerSid())));
}

// CREATOR OWNER stands for whoever creates a child, who must already have been
// allowed to; OWNER RIGHTS for the owner, checked on its own.
bool StandsForAnAdministrator(PSID sid) {
  return IsAdministrator(sid) || IsWellKnownSid(sid, WinCreatorOwnerSid) ||
         IsWellKnownSid(sid, WinCreatorOwnerRightsSid);
}

constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE |
                                     WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

bool IsDenyAce(BYTE type) {
  return type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_DENIED_OBJECT_ACE_TYPE ||
         type == ACCESS_DENIED_CALLBACK_ACE_TYPE || type == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE;
}

// Every entry that grants a writing right must name an administrator. Deny
// entries only take rights away. Entries a folder only passes on to what is
// created in it count too: a package written there would be writable.
bool OnlyAdministratorsIn(PACL dacl) {
  if (dacl == nullptr) return false;  // no list at all: everyone may do anything
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    void* entry = nullptr;
    if (!GetAce(dacl, index, &entry)) return false;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (IsDenyAce(header->AceType)) continue;
    // Every entry type has its mask right after the header.
    const ACCESS_MASK mask = *reinterpret_cast<const ACCESS_MASK*>(header + 1);
    if ((mask & kWriteRights) == 0) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
      return false;  // a kind of entry this check does not read
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    if (!StandsForAnAdministrator(reinterpret_cast<PSID>(&allowed->SidStart))) return false;
  }
  return true;
}

bool OnlyAdministratorsMayWrite(PSID owner, PACL dacl) {
  return owner != nullptr && IsAdministrator(owner) && OnlyAdministratorsIn(dacl);
}

bool HandleOnlyAdministratorsCanWrite(HANDLE handle) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                      nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return false;
  const std::unique_ptr<void, LocalFreer> held(descriptor);
  return OnlyAdministratorsMayWrite(owner, dacl);
}

// A security descriptor that lets SYSTEM and Administrators alone open a new
// file, protected from what its folder passes on.
class AdministratorsOnly {
 public:
  AdministratorsOnly() {
    DWORD systemSize = sizeof system_;
    DWORD administratorsSize = sizeof administrators_;
    valid_ = CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &systemSize) &&
             CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators_, &administratorsSize) &&
             InitializeAcl(acl(), sizeof acl_, ACL_REVISION) &&
             AddAccessAllowedAce(acl(), ACL_REVISION, FILE_ALL_ACCESS, system_) &&
             AddAccessAllowedAce(acl(), ACL_REVISION, FILE_ALL_ACCESS, administrators_) &&
             InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             SetSecurityDescriptorDacl(&descriptor_, TRUE, acl(), FALSE) &&
             SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  }
  AdministratorsOnly(const AdministratorsOnly&) = delete;
  AdministratorsOnly& operator=(const AdministratorsOnly&) = delete;
  PSECURITY_DESCRIPTOR get() { return valid_ ? &descriptor_ : nullptr; }

 private:
  PACL acl() { return reinterpret_cast<PACL>(acl_); }

  alignas(SID) BYTE system_[SECURITY_MAX_SID_SIZE] = {};
  alignas(SID) BYTE administrators_[SECURITY_MAX_SID_SIZE] = {};
  alignas(ACL) BYTE acl_[sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE)] = {};
  SECURITY_DESCRIPTOR descriptor_{};
  bool valid_ = false;
};

}  // namespace

Folder::~Folder() { close(); }

Folder::Folder(Folder&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalid)),
      path_(std::move(other.path_)),
      finalPath_(std::move(other.finalPath_)) {}

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, kInvalid);
    path_ = std::move(other.path_);
    finalPath_ = std::move(other.finalPath_);
  }
  return *this;
}

void Folder::close() {
  if (handle_ != kInvalid) CloseHandle(AsHandle(std::exchange(handle_, kInvalid)));
}

Folder Folder::Open(const std::wstring& path, OpenStatus& status) { return OpenPath(path, false, status); }

Folder Folder::OpenTrusted(const std::wstring& path, OpenStatus& status) { return OpenPath(path, true, status); }

Folder Folder::OpenPath(const std::wstring& path, bool followLink, OpenStatus& status) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  HANDLE handle = CreateFileW(path.c_str(), kFolderAccess, kFolderShare, nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    status = StatusOfError(GetLastError());
    return Folder();
  }
  const wchar_t last = path.empty() ? L'\\' : path.back();
  Folder folder(FromHandle(handle), last == L'\\' || last == L'/' ? path : path + L"\\", FinalPath(handle));
  status = Classify(handle, true);
  if (status == OpenStatus::Opened && folder.finalPath_.empty()) status = OpenStatus::Failed;
  return status == OpenStatus::Opened ? std::move(folder) : Folder();
}

Folder Folder::openFolder(const std::wstring& name, OpenStatus& status) const {
  HANDLE handle =
      OpenRelative(AsHandle(handle_), name, kFolderAccess, kFolderShare, kOpen, kDirectoryFile, status);
  if (handle == INVALID_HANDLE_VALUE) return Folder();
  Folder folder(FromHandle(handle), path_ + name + L"\\", FinalPath(handle));
  status = Classify(handle, true);
  // A link that the system followed all the same (Wine does) ends elsewhere.
  if (status == OpenStatus::Opened && !isPathOf(folder.finalPath_, name)) status = OpenStatus::Link;
  return status == OpenStatus::Opened ? std::move(folder) : Folder();
}

// Only what each use needs: removing and renaming ask for DELETE, and for
// FILE_WRITE_ATTRIBUTES to clear a read-only bit first; reading for the data
// and, to judge who may write the file, its security descriptor.
ACCESS_MASK AccessFor(FileUse use) {
  constexpr ACCESS_MASK kRead = FILE_READ_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL;
  constexpr ACCESS_MASK kRemove = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
  switch (use) {
    case FileUse::Read:
      return kRead;
    case FileUse::ReadRemove:
      return kRead | kRemove;
    case FileUse::Remove:
      return kRemove;
  }
  return kRead;
}

File Folder::openFile(const std::wstring& name, FileUse use, OpenStatus& status) const {
  HANDLE handle = OpenRelative(AsHandle(handle_), name, AccessFor(use), FILE_SHARE_READ, kOpen,
                               kNonDirectoryFile, status);
  if (handle == INVALID_HANDLE_VALUE) return File();
  File file(FromHandle(handle));
  status = Classify(handle, false);
  if (status == OpenStatus::Opened && !isPathOf(SystemPath(handle), name)) status = OpenStatus::Link;
  if (status != OpenStatus::Opened) file.close();
  return file;
}

File Folder::createFile(const std::wstring& name) const {
  AdministratorsOnly security;
  if (security.get() == nullptr) return File();
  OpenStatus status = OpenStatus::Failed;
  HANDLE handle = OpenRelative(AsHandle(handle_), name, FILE_WRITE_DATA | DELETE | FILE_READ_ATTRIBUTES, 0,
                               kCreate, kNonDirectoryFile, status, security.get());
  return File(FromHandle(handle));
}

bool Folder::removeFile(File& file, const std::wstring&) const {
  HANDLE handle = AsHandle(file.handle_);
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) return false;
  const DWORD attributes = basic.FileAttributes;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    FILE_BASIC_INFO writable{};  // zero times: left as they are
    writable.FileAttributes = (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(handle, FileBasicInfo, &writable, sizeof writable)) return false;
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition)) return true;
  const DWORD error = GetLastError();
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    FILE_BASIC_INFO restored{};
    restored.FileAttributes = attributes;
    SetFileInformationByHandle(handle, FileBasicInfo, &restored, sizeof restored);
  }
  SetLastError(error);
  return false;
}

namespace {

// The native call: SetFileInformationByHandle refuses a folder handle as the
// root of the new name under Wine.
bool RenameHandle(HANDLE file, HANDLE folder, const std::wstring& newName, bool replace) {
  if (!IsPlainName(newName)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  struct RenameInformation {  // FILE_RENAME_INFORMATION
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[1];
  };
  const std::size_t bytes = newName.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(RenameInformation) + bytes);
  auto* rename = reinterpret_cast<RenameInformation*>(buffer.data());
  rename->replaceIfExists = replace ? TRUE : FALSE;
  rename->rootDirectory = folder;
  rename->fileNameLength = static_cast<ULONG>(bytes);
  std::wmemcpy(rename->fileName, newName.c_str(), newName.size());
  IO_STATUS_BLOCK io{};
  constexpr auto kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
  const NTSTATUS status =
      NtSetInformationFile(file, &io, rename, static_cast<ULONG>(buffer.size()), kFileRenameInformation);
  if (status < 0) SetLastError(RtlNtStatusToDosError(status));
  return status >= 0;
}

}  // namespace

bool Folder::renameFile(File& file, const std::wstring&, const std::wstring& newName) const {
  return RenameHandle(AsHandle(file.handle_), AsHandle(handle_), newName, true);
}

bool Folder::moveFileInto(File& file, const std::wstring&, const Folder& destination,
                          const std::wstring& newName) const {
  return RenameHandle(AsHandle(file.handle_), AsHandle(destination.handle_), newName, false);
}

bool Folder::isPathOf(const std::wstring& finalPath, const std::wstring& name) const {
  return !finalPath.empty() && SamePath(NormalFinalPath(finalPath), ChildFinalPath(finalPath_, name, L'\\'));
}

std::wstring SystemPathOf(const File& file) {
  return file.isOpen() ? SystemPath(AsHandle(file.nativeHandle())) : std::wstring();
}

bool Folder::onlyAdministratorsCanWrite() const {
  return isOpen() && HandleOnlyAdministratorsCanWrite(AsHandle(handle_));
}

bool OnlyAdministratorsCanWrite(const File& file) {
  return file.isOpen() && HandleOnlyAdministratorsCanWrite(AsHandle(file.nativeHandle()));
}

bool DescriptorAllowsOnlyAdministrators(const void* descriptor) {
  auto* sd = const_cast<void*>(descriptor);
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL defaulted = FALSE;
  BOOL present = FALSE;
  if (!GetSecurityDescriptorOwner(sd, &owner, &defaulted) ||
      !GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted))
    return false;
  return OnlyAdministratorsMayWrite(owner, present ? dacl : nullptr);
}

// A token that cannot be read counts as elevated: the stricter rules apply.
bool RunsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  const WinHandle owned(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return !GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) ||
         elevation.TokenIsElevated != 0;
}

}  // namespace platform
