#include <windows.h>
// The security functions need the types of windows.h.
#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <vector>

#include "platform/private_file.h"
#include "platform/string_convert.h"
#include "platform/win_handle.h"

namespace platform {
namespace {

using Sid = std::vector<BYTE>;

// Everything but running it: a key is data.
constexpr DWORD kKeyAccess = FILE_ALL_ACCESS & ~FILE_EXECUTE;
// Rights that read or change the data, replace or remove the file, or let
// their holder give itself any of those.
constexpr DWORD kGuardedRights = FILE_READ_DATA | FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | GENERIC_READ |
                                 GENERIC_WRITE | GENERIC_ALL | WRITE_DAC | WRITE_OWNER;

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};

std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const std::unique_ptr<wchar_t, LocalFreer> held(text);
  std::wstring message = text != nullptr ? std::wstring(text, length) : std::wstring();
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
    message.pop_back();
  return WideToUtf8(message) + (message.empty() ? "" : " ") + "(error " + std::to_string(code) + ")";
}

Sid CopySid(PSID sid) {
  const auto* bytes = static_cast<const BYTE*>(sid);
  return Sid(bytes, bytes + GetLengthSid(sid));
}

Sid CurrentUser() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  const WinHandle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
  return CopySid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

Sid WellKnown(WELL_KNOWN_SID_TYPE type) {
  Sid sid(SECURITY_MAX_SID_SIZE);
  DWORD size = static_cast<DWORD>(sid.size());
  if (!CreateWellKnownSid(type, nullptr, sid.data(), &size)) return {};
  sid.resize(size);
  return sid;
}

// Who may hold access to a private key: the user, SYSTEM (the system itself,
// backups) and Administrators (who can take over any file anyway).
struct KeyHolders {
  Sid user = CurrentUser();
  Sid system = WellKnown(WinLocalSystemSid);
  Sid administrators = WellKnown(WinBuiltinAdministratorsSid);

  bool complete() const { return !user.empty() && !system.empty() && !administrators.empty(); }
  bool include(PSID sid) const {
    for (const Sid* holder : {&user, &system, &administrators}) {
      if (!holder->empty() && EqualSid(const_cast<BYTE*>(holder->data()), sid)) return true;
    }
    return false;
  }
};

std::string AccountName(PSID sid) {
  wchar_t name[256] = {};
  wchar_t domain[256] = {};
  DWORD nameSize = 256;
  DWORD domainSize = 256;
  SID_NAME_USE use{};
  if (LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
    return WideToUtf8(domain[0] != L'\0' ? std::wstring(domain) + L"\\" + name : std::wstring(name));
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return "an unknown account";
  const std::unique_ptr<wchar_t, LocalFreer> held(text);
  return WideToUtf8(text);
}

// Empty when only the key's holders may read or change the file; otherwise
// who else may. `error`: the failure of reading the security descriptor.
std::string OtherHolder(HANDLE file, const KeyHolders& holders, DWORD& error) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  error = GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                          &owner, nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) return {};
  const std::unique_ptr<void, LocalFreer> held(descriptor);
  // The owner may always rewrite the access list.
  if (owner != nullptr && !holders.include(owner)) return AccountName(owner) + ", its owner";
  if (dacl == nullptr) return "everyone: the file has no access list";
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace))) return "an access rule that cannot be read";
    if ((ace->AceFlags & INHERIT_ONLY_ACE) != 0) continue;
    switch (ace->AceType) {
      case ACCESS_DENIED_ACE_TYPE:
      case ACCESS_DENIED_OBJECT_ACE_TYPE:
      case ACCESS_DENIED_CALLBACK_ACE_TYPE:
      case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
        continue;  // a denial only takes rights away
      case ACCESS_ALLOWED_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
        // Both start with the header, the mask and the account.
        auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
        PSID sid = &allowed->SidStart;
        if ((allowed->Mask & kGuardedRights) != 0 && !holders.include(sid)) return AccountName(sid);
        continue;
      }
      default:
        return "an access rule of a kind the tool does not judge";
    }
  }
  return {};
}

PrivateFileRead Failed(PrivateFileRead::Status status, const std::string& reason) {
  PrivateFileRead result;
  result.status = status;
  result.reason = reason;
  return result;
}

}  // namespace

PrivateFileRead ReadPrivateFile(const std::wstring& path, std::size_t limit) {
  using Status = PrivateFileRead::Status;
  const WinHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Failed(Status::Unreadable, SystemMessage(GetLastError()));
  const KeyHolders holders;
  if (!holders.complete()) return Failed(Status::Unreadable, "cannot tell the current user's account");
  DWORD error = ERROR_SUCCESS;
  const std::string other = OtherHolder(file.get(), holders, error);
  if (error != ERROR_SUCCESS)
    return Failed(Status::Unreadable, "cannot read its access list: " + SystemMessage(error));
  if (!other.empty()) {
    return Failed(Status::Exposed, "readable or writable by others (" + other +
                                       "); let only your account read it, for example: icacls \"" +
                                       WideToUtf8(path) + "\" /inheritance:r /grant:r \"%USERNAME%:F\"");
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return Failed(Status::Unreadable, SystemMessage(GetLastError()));
  if (size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > limit)
    return Failed(Status::TooLarge, "");
  PrivateFileRead result;
  result.bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD got = 0;
  if (!ReadFile(file.get(), &result.bytes[0], static_cast<DWORD>(result.bytes.size()), &got, nullptr) ||
      got != result.bytes.size())
    return Failed(Status::Unreadable, SystemMessage(GetLastError()));
  result.status = Status::Read;
  return result;
}

bool WritePrivateFile(const std::wstring& path, const std::string& bytes, std::string& error) {
  const KeyHolders holders;
  if (!holders.complete()) {
    error = "cannot tell the current user's account";
    return false;
  }
  DWORD aclSize = sizeof(ACL);
  for (const Sid* holder : {&holders.user, &holders.system, &holders.administrators})
    aclSize += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + static_cast<DWORD>(holder->size());
  std::vector<BYTE> acl(aclSize);
  auto* list = reinterpret_cast<PACL>(acl.data());
  SECURITY_DESCRIPTOR descriptor{};
  bool built = InitializeAcl(list, aclSize, ACL_REVISION) &&
               InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  for (const Sid* holder : {&holders.user, &holders.system, &holders.administrators})
    built = built && AddAccessAllowedAce(list, ACL_REVISION, kKeyAccess, const_cast<BYTE*>(holder->data()));
  // Protected: nothing the folder grants others is inherited.
  built = built && SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE) &&
          SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  if (!built) {
    error = SystemMessage(GetLastError());
    return false;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  WinHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) {
    error = SystemMessage(GetLastError());
    return false;
  }
  DWORD written = 0;
  if (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size())
    return true;
  error = SystemMessage(GetLastError());
  file.reset();
  DeleteFileW(path.c_str());
  return false;
}

}  // namespace platform
