#include "logging/log_security_win32.h"

// Needs the declarations of windows.h.
#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <string>

#include "platform/system_library_win32.h"

namespace run_report {
namespace {

// What no one but an administrator may hold on a folder of the logs: write
// (add a file), append (add a folder), delete it or a child, change its
// access list or owner; and the generic rights that include them.
constexpr ACCESS_MASK kChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE |
                                        WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};

struct Security {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  std::unique_ptr<void, LocalFreer> descriptor;
};

Security ReadSecurity(HANDLE object) {
  Security security;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                      &security.owner, nullptr, &security.dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return {};
  security.descriptor.reset(descriptor);
  if (security.owner == nullptr || !IsValidSid(security.owner)) security.owner = nullptr;
  return security;
}

// Administrators or SYSTEM; under Wine also the owner of the program-data
// folder, Wine's stand-in for them.
bool IsAdministrator(PSID sid, PSID wineAdministrator) {
  return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid) ||
         (wineAdministrator != nullptr && EqualSid(sid, wineAdministrator));
}

// The rights others hold through the access list: any rule that grants a
// changing right to someone else, or that cannot be judged, counts.
bool OthersMayChange(PACL dacl, PSID wineAdministrator) {
  if (dacl == nullptr) return true;  // no access list: everyone may do anything
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace))) return true;
    if ((ace->AceFlags & INHERIT_ONLY_ACE) != 0 || ace->AceType == ACCESS_DENIED_ACE_TYPE) continue;
    if (ace->AceType != ACCESS_ALLOWED_ACE_TYPE) return true;
    auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
    if ((allowed->Mask & kChangingRights) != 0 && !IsAdministrator(&allowed->SidStart, wineAdministrator))
      return true;
  }
  return false;
}

}  // namespace

SecurityDescriptor::SecurityDescriptor(const wchar_t* text) {
  if (text != nullptr)
    ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor_, nullptr);
}

SecurityDescriptor::~SecurityDescriptor() { LocalFree(descriptor_); }

bool RunsUnderWine() {
  using GetWineVersion = const char*(CDECL*)();
  GetWineVersion version = nullptr;
  return platform::ResolveExport(GetModuleHandleW(L"ntdll.dll"), "wine_get_version", version);
}

bool OwnedByAdministrators(HANDLE folder, HANDLE programData) {
  const Security security = ReadSecurity(folder);
  if (security.owner == nullptr) return false;
  // Only Wine gives every object the same owner; on Windows the owner of
  // the program-data folder is no reason to trust a folder.
  const Security programDataSecurity = RunsUnderWine() ? ReadSecurity(programData) : Security{};
  return IsAdministrator(security.owner, programDataSecurity.owner);
}

bool OnlyAdministratorsMayChange(HANDLE folder, HANDLE programData) {
  const Security security = ReadSecurity(folder);
  if (security.owner == nullptr || !security.descriptor) return false;
  const Security programDataSecurity = RunsUnderWine() ? ReadSecurity(programData) : Security{};
  const PSID wineAdministrator = programDataSecurity.owner;
  return IsAdministrator(security.owner, wineAdministrator) &&
         !OthersMayChange(security.dacl, wineAdministrator);
}

bool ApplySecurity(HANDLE folder, const wchar_t* text) {
  const SecurityDescriptor descriptor(text);
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  if (descriptor.get() == nullptr || !GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted) ||
      !GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted))
    return false;
  const DWORD error = SetSecurityInfo(
      folder, SE_FILE_OBJECT,
      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, owner,
      nullptr, dacl, nullptr);
  SetLastError(error);
  return error == ERROR_SUCCESS;
}

}  // namespace run_report
