#include "updater/zip_installer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "platform/string_convert.h"

namespace {

namespace fs = std::filesystem;

class ZipInstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("zvk-installer-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  // Any open file stands for the checked package.
  PackageOpener opener() {
    return [this](const fs::path& package, std::string&) {
      lastPackage_ = package.wstring();
      return platform::File::OpenForRead(platform::ModulePath());
    };
  }
  ExtractZipFunction recorder(int result = 0) {
    return [this, result](platform::File&, const std::wstring& folder) {
      ++calls_;
      lastFolder_ = folder;
      return result;
    };
  }

  fs::path root_;
  int calls_ = 0;
  std::wstring lastFolder_;
  std::wstring lastPackage_;
};

TEST_F(ZipInstallerTest, MissingTargetIsCreatedWithItsParentsBeforeExtracting) {
  const std::string target = (root_ / "a" / "b" / "").string();
  ZipInstaller installer("pkg.zip", target, opener(), recorder(), 0);
  EXPECT_TRUE(installer.TryInstall());
  EXPECT_TRUE(fs::is_directory(root_ / "a" / "b"));
  EXPECT_EQ(calls_, 1);
  EXPECT_EQ(lastFolder_, AnsiToWide(target));
  EXPECT_EQ(lastPackage_, L"pkg.zip");
  EXPECT_EQ(installer.lastExtractResult(), 0);
}

TEST_F(ZipInstallerTest, ExistingTargetCountsAsCreated) {
  ZipInstaller installer("pkg.zip", root_.string(), opener(), recorder(0x5000000), 0);
  EXPECT_TRUE(installer.TryInstall());
  EXPECT_EQ(installer.lastExtractResult(), 0x5000000);
}

TEST_F(ZipInstallerTest, FileInThePlaceOfTheTargetFailsWithoutExtracting) {
  std::ofstream(root_ / "taken") << "x";
  ZipInstaller installer("pkg.zip", (root_ / "taken").string(), opener(), recorder(), 0);
  EXPECT_FALSE(installer.TryInstall());
  EXPECT_EQ(calls_, 0);
  EXPECT_EQ(installer.lastExtractResult(), -1);
}

TEST_F(ZipInstallerTest, EmptyTargetFailsWithoutExtracting) {
  ZipInstaller installer("pkg.zip", "", opener(), recorder(), 0);
  EXPECT_FALSE(installer.TryInstall());
  EXPECT_EQ(calls_, 0);
}

}  // namespace
