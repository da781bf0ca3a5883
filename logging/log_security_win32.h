#pragma once
// The access lists of what the programs make in their log folder, and the
// judgement of folders they find there. Windows-only header.

#include <windows.h>

namespace run_report {

// Owner Administrators; protected from inheritance: Administrators and SYSTEM
// full control, Users read and list, for the folder and everything made in it.
constexpr wchar_t kMachineFolderSecurity[] = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
// Owner Administrators; Administrators and SYSTEM only: for what users must
// neither read nor open (crash dumps of elevated programs, the lock file).
constexpr wchar_t kAdministratorsOnlySecurity[] = L"O:BAD:P(A;;FA;;;BA)(A;;FA;;;SY)";

// A security descriptor made from its text form; get() is null when the text
// is null or cannot be converted.
class SecurityDescriptor {
 public:
  explicit SecurityDescriptor(const wchar_t* text);
  ~SecurityDescriptor();
  SecurityDescriptor(const SecurityDescriptor&) = delete;
  SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;
  PSECURITY_DESCRIPTOR get() const { return descriptor_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// True when the program runs under Wine, which keeps no owners or access
// lists: every object belongs to the Wine user and lists it, SYSTEM and (by
// the Unix mode) everyone.
bool RunsUnderWine();

// Whether only administrators may change the folder: its owner is
// Administrators or SYSTEM, and its access list grants the rights to write,
// add, delete, or change its owner or access list to them alone. Under Wine,
// the owner of `programData` counts as an administrator. False when the
// security cannot be read.
bool OnlyAdministratorsMayChange(HANDLE folder, HANDLE programData);

// Whether the folder's owner is Administrators or SYSTEM (or, under Wine,
// the owner of `programData`): the folder is the product's or the system's.
bool OwnedByAdministrators(HANDLE folder, HANDLE programData);

// Gives the folder `text` as owner and protected access list; false with the
// thread's last error when it cannot.
bool ApplySecurity(HANDLE folder, const wchar_t* text);

}  // namespace run_report
