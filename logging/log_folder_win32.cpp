#include "logging/log_folder_win32.h"

// Needs the declarations of windows.h.
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "platform/open_beneath.h"
#include "zvk_version.h"

namespace run_report {
namespace {

constexpr wchar_t kProductFolder[] = L"" ZVK_PRODUCT_NAME;
constexpr wchar_t kLogsFolder[] = L"logs";
// Owner Administrators; protected from inheritance: Administrators and SYSTEM
// full control, Users read and list (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE),
// for this folder and everything made in it.
constexpr wchar_t kMachineFolderSecurity[] = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
constexpr ACCESS_MASK kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | READ_CONTROL;

std::string WithError(const std::string& text, DWORD error) {
  return text + ", error " + std::to_string(error);
}

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path))) result = path;
  CoTaskMemFree(path);
  return result;
}

class SecurityDescriptor {
 public:
  explicit SecurityDescriptor(const wchar_t* text) {
    if (text != nullptr)
      ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor_, nullptr);
  }
  ~SecurityDescriptor() { LocalFree(descriptor_); }
  SecurityDescriptor(const SecurityDescriptor&) = delete;
  SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;
  PSECURITY_DESCRIPTOR get() const { return descriptor_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// The object's owner, copied; empty when it cannot be read.
std::string OwnerOf(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::string copy;
  if (GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) == ERROR_SUCCESS &&
      IsValidSid(owner))
    copy.assign(static_cast<const char*>(owner), GetLengthSid(owner));
  LocalFree(descriptor);
  return copy;
}

// Administrators, the system, or the owner of the program-data folder: a
// file system that keeps no owners gives every object that same owner.
bool TrustedOwner(HANDLE folder, HANDLE programData) {
  std::string owner = OwnerOf(folder);
  if (owner.empty()) return false;
  PSID sid = &owner[0];
  return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid) ||
         owner == OwnerOf(programData);
}

// Opens (making it when missing) the folder `name` beneath `parent`, whose
// final path is `parentPath`, and confirms it is where it was asked for.
platform::BeneathObject OpenLevel(HANDLE parent, const std::wstring& parentPath, const std::wstring& name,
                                  PSECURITY_DESCRIPTOR security, std::string& refusal) {
  platform::BeneathRequest request;
  request.folder = parent;
  request.name = name;
  request.access = kFolderAccess;
  request.disposition = FILE_OPEN_IF;
  request.kind = platform::ObjectKind::Directory;
  request.security = security;
  platform::BeneathObject level = platform::OpenBeneath(request);
  if (!level.handle) {
    refusal = WithError("cannot make the log folder", GetLastError());
  } else if (!platform::SamePath(platform::FinalPathOf(level.handle.get()), parentPath + L"\\" + name)) {
    // A link the handle did not show (Wine opens a symbolic link's target).
    refusal = "the log folder leads elsewhere";
    level.handle.reset();
  }
  return level;
}

platform::BeneathObject OpenRoot(const std::wstring& path) {
  platform::BeneathRequest request;
  request.name = path;
  request.access = kFolderAccess;
  request.kind = platform::ObjectKind::Directory;
  return platform::OpenBeneath(request);
}

}  // namespace

LogFolder OpenLogFolder(bool elevated) {
  LogFolder folder;
  const std::wstring base = KnownFolder(elevated ? FOLDERID_ProgramData : FOLDERID_LocalAppData);
  folder.path = base + L"\\" + kProductFolder + L"\\" + kLogsFolder;
  const platform::BeneathObject root = OpenRoot(base);
  if (base.empty() || !root.handle) {
    folder.refusal = WithError("cannot open the folder for logs", GetLastError());
    return folder;
  }
  const SecurityDescriptor security(elevated ? kMachineFolderSecurity : nullptr);
  // Made without it, the folder would inherit what lets users write there.
  if (elevated && security.get() == nullptr) {
    folder.refusal = WithError("cannot make the log folder's access list", GetLastError());
    return folder;
  }
  const std::wstring rootPath = platform::FinalPathOf(root.handle.get());
  const platform::BeneathObject product =
      OpenLevel(root.handle.get(), rootPath, kProductFolder, security.get(), folder.refusal);
  if (!product.handle) return folder;
  platform::BeneathObject logs = OpenLevel(product.handle.get(), rootPath + L"\\" + kProductFolder,
                                           kLogsFolder, security.get(), folder.refusal);
  if (!logs.handle) return folder;
  if (elevated && !logs.created && !TrustedOwner(logs.handle.get(), root.handle.get())) {
    folder.refusal = "the log folder belongs to someone else";
    return folder;
  }
  folder.handle = std::move(logs.handle);
  return folder;
}

}  // namespace run_report
