#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "updater/zip_extract_loader.h"
#include "zip_builder.h"

namespace {

namespace fs = std::filesystem;

fs::path BuiltZlibDll() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path().parent_path() / "bin" / "zlib.dll";
}

std::wstring Folder(const fs::path& path) { return path.wstring() + L"\\"; }

class ExtractLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / (L"zvk-loader-" + std::to_wstring(GetCurrentProcessId()));
    fs::remove_all(root_);
    fs::create_directories(updater_);
    fs::create_directories(launcher_);
    ASSERT_TRUE(ziptest::WriteArchive(root_ / "update.zip", {{"Vellacast/version.txt", "version 2"}}));
    platform::SetDebugOutputSink([this](const char* text) { log_ += text; });
  }
  void TearDown() override {
    platform::SetDebugOutputSink(nullptr);
    fs::remove_all(root_);
  }

  void placeDll(const fs::path& folder) { fs::copy_file(BuiltZlibDll(), folder / "zlib.dll"); }
  int unpack(const ExtractZipFunction& extract) {
    platform::File package = platform::File::OpenLocked((root_ / "update.zip").wstring());
    return extract(package, Folder(root_ / "target"));
  }
  // Wine cannot give a folder an administrators-only access list: the tests
  // say whose folders are.
  static ZipDllTrust Trust(bool elevated, bool administratorsOnly) {
    ZipDllTrust trust;
    trust.elevated = elevated;
    trust.onlyAdministratorsCanWrite = [administratorsOnly](const platform::Folder&, const platform::File&) {
      return administratorsOnly;
    };
    return trust;
  }
  ExtractZipFunction load(const ZipDllTrust& trust = Trust(false, false)) {
    return LoadExtractZipToDir(Folder(updater_), Folder(launcher_), trust);
  }
  bool unpacked() const { return fs::exists(root_ / "target" / "Vellacast" / "version.txt"); }

  fs::path root_;
  fs::path updater_ =
      fs::temp_directory_path() / (L"zvk-loader-" + std::to_wstring(GetCurrentProcessId())) / "temp";
  fs::path launcher_ = updater_.parent_path() / "Vellacast";
  std::string log_;
};

TEST_F(ExtractLoader, DllBesideTheUpdaterComesFirst) {
  placeDll(updater_);
  placeDll(launcher_);
  const ExtractZipFunction extract = load();
  ASSERT_TRUE(extract);
  EXPECT_NE(log_.find("unpacking with " + (updater_ / "zlib.dll").string()), std::string::npos) << log_;
  EXPECT_EQ(unpack(extract), 0);
  EXPECT_TRUE(unpacked());
}

TEST_F(ExtractLoader, DllBesideTheLauncherIsUsedWhenTheUpdaterHasNone) {
  placeDll(launcher_);
  const ExtractZipFunction extract = load();
  EXPECT_NE(log_.find("unpacking with " + (launcher_ / "zlib.dll").string()), std::string::npos) << log_;
  EXPECT_EQ(unpack(extract), 0);
  EXPECT_TRUE(unpacked());
}

TEST_F(ExtractLoader, FileThatIsNoDllIsPassedOver) {
  std::ofstream(updater_ / "zlib.dll") << "not a library";
  placeDll(launcher_);
  const ExtractZipFunction extract = load();
  EXPECT_NE(log_.find("unpacking with " + (launcher_ / "zlib.dll").string()), std::string::npos) << log_;
  EXPECT_EQ(unpack(extract), 0);
}

TEST_F(ExtractLoader, WithoutAnyDllTheBuiltInExtractionRunsAfterAnInfoLine) {
  const ExtractZipFunction extract = load();
  EXPECT_NE(log_.find("[I]"), std::string::npos) << log_;
  EXPECT_NE(log_.find("built-in extraction"), std::string::npos) << log_;
  EXPECT_EQ(unpack(extract), 0);
  EXPECT_TRUE(unpacked());
}

TEST_F(ExtractLoader, FailedExtractionIsReportedThroughTheDll) {
  placeDll(updater_);
  const ExtractZipFunction extract = load();
  std::ofstream(root_ / "update.zip", std::ios::trunc) << "no archive";
  EXPECT_NE(unpack(extract), 0);
  EXPECT_FALSE(unpacked());
}

// An elevated updater takes zlib.dll only from where only administrators can
// write, and only one that unpacks an open package.
TEST_F(ExtractLoader, ElevatedUpdaterLoadsOnlyATrustedDllWithTheHandleExport) {
  const struct {
    const char* what;
    bool elevated;
    bool administratorsOnly;
    bool oldDll;  // a DLL without ExtractZipHandleToDir
    bool loaded;
  } cases[] = {
      {"elevated, folder others may write", true, false, false, false},
      {"elevated, administrators' folder", true, true, false, true},
      {"not elevated, any folder", false, false, false, true},
      {"DLL without the handle export", false, false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(launcher_ / "zlib.dll");
    if (c.oldDll) {
      wchar_t system[MAX_PATH] = {};
      GetSystemDirectoryW(system, MAX_PATH);
      fs::copy_file(fs::path(system) / "version.dll", launcher_ / "zlib.dll");
    } else {
      placeDll(launcher_);
    }
    log_.clear();
    const ExtractZipFunction extract = load(Trust(c.elevated, c.administratorsOnly));
    EXPECT_EQ(log_.find("unpacking with " + (launcher_ / "zlib.dll").string()) != std::string::npos, c.loaded)
        << log_;
    EXPECT_EQ(log_.find("built-in extraction") != std::string::npos, !c.loaded) << log_;
    EXPECT_EQ(unpack(extract), 0);
  }
}

}  // namespace
