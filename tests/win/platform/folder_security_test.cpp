// Which access lists leave a folder to administrators alone. Wine keeps no
// access lists on disk (it makes one up from the Unix mode, owned by its
// user), so the rule is checked on descriptors built here.
#include <windows.h>
// sddl.h needs the declarations of windows.h.
#include <gtest/gtest.h>
#include <sddl.h>

#include <filesystem>

#include "platform/folder.h"

namespace {

constexpr wchar_t kAdminsOnly[] = L"(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr wchar_t kTrustedInstaller[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

bool AdministratorsOnly(const std::wstring& sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                                   nullptr))
      << GetLastError();
  const bool only = platform::DescriptorAllowsOnlyAdministrators(descriptor);
  LocalFree(descriptor);
  return only;
}

TEST(FolderSecurity, OnlyOwnersAndWritersWhoAreAdministratorsPass) {
  const struct {
    const char* what;
    std::wstring sddl;
    bool expected;
  } cases[] = {
      {"installer's list: users read", std::wstring(L"O:BAD:P") + kAdminsOnly + L"(A;OICI;0x1200a9;;;BU)",
       true},
      {"TrustedInstaller owns and writes",
       std::wstring(L"O:") + kTrustedInstaller + L"D:P(A;;FA;;;" + kTrustedInstaller + L")(A;;FA;;;SY)",
       true},
      {"creator owner passes on full access", std::wstring(L"O:BAD:P") + kAdminsOnly + L"(A;OICIIO;GA;;;CO)",
       true},
      {"users denied writing", std::wstring(L"O:BAD:P") + kAdminsOnly + L"(D;;FW;;;BU)(A;;FR;;;BU)", true},
      {"a user owns it", std::wstring(L"O:S-1-5-21-1-2-3-1001D:P") + kAdminsOnly, false},
      {"users may add files", std::wstring(L"O:BAD:P") + kAdminsOnly + L"(A;;0x2;;;BU)", false},
      {"everyone may delete children", std::wstring(L"O:BAD:P") + kAdminsOnly + L"(A;;0x40;;;WD)", false},
      {"signed-in users may change the list", std::wstring(L"O:BAD:P") + kAdminsOnly + L"(A;;WD;;;AU)",
       false},
      {"users may write what is created in it",
       std::wstring(L"O:BAD:P") + kAdminsOnly + L"(A;OICIIO;GW;;;BU)", false},
      {"no access list at all", L"O:BA", false},
  };
  for (const auto& c : cases) EXPECT_EQ(AdministratorsOnly(c.sddl), c.expected) << c.what;
}

// The user's own temporary folder (under Wine every folder is like it).
TEST(FolderSecurity, UsersTemporaryFolderIsNotLeftToAdministrators) {
  platform::OpenStatus status = platform::OpenStatus::Failed;
  const platform::Folder folder =
      platform::Folder::Open(std::filesystem::temp_directory_path().wstring(), status);
  ASSERT_TRUE(folder.isOpen()) << platform::DescribeOpenStatus(status);
  EXPECT_FALSE(folder.onlyAdministratorsCanWrite());
}

}  // namespace
