// zlib.dll as the updater uses it: loaded at run time, the export found by
// its undecorated name and called with the documented convention.
#include <gtest/gtest.h>

#include "tests/unit/zipextract/zip_builder.h"
#include "win_file_helpers.h"
#include "zipextract/zlib_dll.h"

namespace fs = std::filesystem;
using ziptest::EntrySpec;

namespace {

class ZlibDll : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW((ziptest::BinFolder() / "zlib.dll").c_str());
    ASSERT_NE(module_, nullptr) << GetLastError();
    extract_ = reinterpret_cast<ExtractZipToDirFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_, ZVK_EXTRACT_ZIP_TO_DIR_NAME)));
    ASSERT_NE(extract_, nullptr);
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  ziptest::TempFolder temp_;
  HMODULE module_ = nullptr;
  ExtractZipToDirFunction extract_ = nullptr;
};

TEST_F(ZlibDll, UnpacksEveryEntryUnderANewFolder) {
  const fs::path package = temp_.path() / "update.zip";
  EntrySpec docs{"docs/", ""};
  docs.externalAttributes = 0x10;
  ASSERT_TRUE(ziptest::WriteArchive(package, {{"bin/a.dll", "library"}, docs, {"readme.txt", "read me", 0}}));
  const fs::path target = temp_.path() / "install";
  EXPECT_EQ(extract_(package.c_str(), target.c_str(), 0), 0);
  EXPECT_EQ(ziptest::ReadBytes(target / "bin" / "a.dll"), "library");
  EXPECT_EQ(ziptest::ReadBytes(target / "readme.txt"), "read me");
  EXPECT_TRUE(fs::is_directory(target / "docs"));
}

TEST_F(ZlibDll, ReportsFailuresAsResultCodes) {
  const fs::path notZip = temp_.path() / "not.zip";
  ziptest::WriteBytes(notZip, "plain text");
  EXPECT_EQ(extract_(notZip.c_str(), temp_.path().c_str(), 0), 0x200);
  EXPECT_EQ(extract_(nullptr, temp_.path().c_str(), 0), 0x10000);

  const fs::path package = temp_.path() / "slip.zip";
  ASSERT_TRUE(ziptest::WriteArchive(package, {{"../escape.txt", "x"}, {"fine.txt", "y"}}));
  const fs::path target = temp_.path() / "target";
  EXPECT_EQ(extract_(package.c_str(), target.c_str(), 0), 0x200);
  EXPECT_FALSE(fs::exists(target / "fine.txt"));  // all or nothing
  EXPECT_FALSE(fs::exists(temp_.path() / "escape.txt"));
}

}  // namespace
