// The forced install applies what it checked: a package changed after the
// download checked it is refused, and one that others try to change after the
// install's own check stays as it was checked (nobody may write, rename or
// delete it while it is open).
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "updater/download/md5.h"
#include "updater/verified_package.h"
#include "updater/zip_installer.h"
#include "zip_builder.h"
#include "zipextract/package_apply.h"

namespace {

namespace fs = std::filesystem;

TEST(VerifiedInstall, PackageChangedAfterItsCheckIsNotInstalled) {
  ziptest::TempFolder work;
  const fs::path package = work.path() / "temp" / "update.zip";
  const fs::path target = work.path() / "install";
  const struct {
    const char* what;
    bool beforeTheInstallsCheck;
    const char* expected;  // version.txt afterwards, "" for none
  } cases[] = {
      {"replaced before the install's check", true, ""},
      {"overwritten or replaced after it", false, "version 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(work.path());
    fs::create_directories(package.parent_path());
    ASSERT_TRUE(ziptest::WriteArchive(package, {{"version.txt", "version 2"}}));
    std::string md5;
    ASSERT_TRUE(MD5_CTX::DigestFile(package, md5));  // what the download checked
    ASSERT_TRUE(ziptest::WriteArchive(work.path() / "other.zip", {{"version.txt", "planted"}}));
    const auto plant = [&] {
      std::error_code ignored;
      std::ofstream(package, std::ios::binary | std::ios::trunc) << "planted";
      fs::rename(work.path() / "other.zip", package, ignored);
    };
    if (c.beforeTheInstallsCheck) plant();
    const PackageOpener open = [&](const fs::path& path, std::string& why) {
      platform::File checked = OpenVerifiedPackage(path, md5, 0, why);
      if (!c.beforeTheInstallsCheck) plant();
      return checked;
    };
    const ExtractZipFunction extract = [](platform::File& file, const std::wstring& folder) {
      return static_cast<int>(ApplyPackage(file, folder).result);
    };
    ZipInstaller installer(package, target, open, extract, 0);
    EXPECT_TRUE(installer.TryInstall());
    EXPECT_EQ(ziptest::ReadBytes(target / "version.txt"), c.expected);
    EXPECT_EQ(installer.lastExtractResult() == 0, *c.expected != '\0');
  }
}

// A virus scanner holding the new package for a moment: the install waits.
TEST(VerifiedInstall, PackageHeldForAMomentIsOpenedOnceFree) {
  ziptest::TempFolder work;
  const fs::path package = work.path() / "update.zip";
  ASSERT_TRUE(ziptest::WriteArchive(package, {{"version.txt", "version 2"}}));
  std::string md5;
  ASSERT_TRUE(MD5_CTX::DigestFile(package, md5));
  HANDLE held = CreateFileW(package.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  std::thread release([held] {
    Sleep(700);
    CloseHandle(held);
  });
  std::string why;
  const platform::File checked = OpenVerifiedPackage(package, md5, 0, why);
  release.join();
  EXPECT_TRUE(checked.isOpen()) << why;
}

}  // namespace
