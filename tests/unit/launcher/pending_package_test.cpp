// The launcher's pending package when what it checked is swapped between the
// check and the use: a link put in the place of temp\, of the download or of
// the package beside the launcher. Natively nothing stops the swap, and the
// handles keep to what was checked; under Wine the open handles make the swap
// itself fail. Either way nothing outside the installation is deleted,
// copied or read. Links under Wine are made by the system's own ln.
#include "launcher/pending_package.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <random>
#include <string>

#include "platform/platform.h"
#include "release/manifest.h"
#include "tests/unit/zipextract/zip_builder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// A symbolic link made as a user-level program would make it.
bool MakeLink(const fs::path& target, const fs::path& link) {
#ifdef _WIN32
  using UnixName = char*(__cdecl*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return false;  // not Wine: no ln to call
  char* from = unixName(target.c_str());
  char* to = unixName(link.c_str());
  std::wstring command = L"ln -s \"" + fs::path(from).wstring() + L"\" \"" + fs::path(to).wstring() + L"\"";
  HeapFree(GetProcessHeap(), 0, from);
  HeapFree(GetProcessHeap(), 0, to);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(L"Z:\\bin\\ln", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return fs::exists(link);
#else
  std::error_code error;
  fs::create_symlink(target, link, error);
  return !error;
#endif
}

// Moves `path` aside and puts a link to `target` in its place; false when the
// move was refused (an open handle holds it).
bool SwapForLink(const fs::path& path, const fs::path& target) {
  std::error_code error;
  fs::rename(path, path.wstring() + L".old", error);
  return !error && MakeLink(target, path);
}

class PendingPackage : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp());
    fs::create_directories(elsewhere());
    ziptest::WriteBytes(temp() / "Updater.exe", "leftover");
    ASSERT_TRUE(ziptest::WriteArchive(temp() / "update.zip", {{"a.txt", "new a"}}));
    ASSERT_TRUE(ziptest::WriteArchive(install() / "update.zip", {{"older.txt", "older package"}}));
    ziptest::WriteBytes(elsewhere() / "Updater.exe", "someone else's");
    ASSERT_TRUE(ziptest::WriteArchive(elsewhere() / "update.zip", {{"x.dll", "planted"}}));
    platform::SetDebugOutputSink([this](const char* text) { log_ += text; });
  }
  void TearDown() override {
    platform::SetDebugOutputSink(nullptr);
    if (HasFailure()) {
      std::cerr << "kept for the log: " << folder_.path() << "\n";
      folder_.keep();
    }
  }

  fs::path install() const { return folder_.path() / "install"; }
  fs::path temp() const { return install() / "temp"; }
  fs::path elsewhere() const { return folder_.path() / "elsewhere"; }
  std::wstring directory() const { return install().wstring() + L"/"; }

  // Work folder removed unless a test failed.
  class Work {
   public:
    Work() : path_(fs::temp_directory_path() / ("zvk-pending-" + std::to_string(std::random_device{}()))) {
      fs::create_directories(path_);
    }
    ~Work() {
      std::error_code ignored;
      if (!kept_) fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }
    void keep() { kept_ = true; }

   private:
    fs::path path_;
    bool kept_ = false;
  };

  Work folder_;
  std::string log_;
};

TEST_F(PendingPackage, LinkSwappedInAfterTheCheckIsNeverUsed) {
  struct Case {
    const char* what;
    PendingPoint point;
    const char* swapped;  // what is swapped for a link there, in the installation
  };
  const Case cases[] = {
      {"temp", PendingPoint::TempChecked, "temp"},
      {"download", PendingPoint::DownloadChecked, "temp/update.zip"},
      {"package", PendingPoint::PackageChecked, "update.zip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(install());
    SetUp();
    log_.clear();
    bool swapped = false;
    PendingUpdateOptions options;
    options.tempTrusted = [](const platform::Folder&, const platform::File&) { return true; };
    options.pause = [&](PendingPoint point) {
      if (point != c.point) return;
      const fs::path path = install() / fs::path(c.swapped).make_preferred();
      swapped = SwapForLink(path, fs::is_directory(path) ? elsewhere() : elsewhere() / "update.zip");
    };
    PreparePendingPackage(directory(), options);
    ApplyPendingPackage(directory(), options);

#ifdef _WIN32
    EXPECT_FALSE(swapped) << "nobody may move what the launcher holds open";
#endif
    EXPECT_EQ(ziptest::ReadBytes(elsewhere() / "Updater.exe"), "someone else's");
    EXPECT_TRUE(fs::exists(elsewhere() / "update.zip"));
    EXPECT_FALSE(fs::exists(install() / "x.dll")) << "the planted package was installed";
    // Whatever was applied is what was checked; a swapped temp\ hands nothing over.
    if (swapped && c.point == PendingPoint::TempChecked) {
      EXPECT_NE(log_.find("pending update left alone"), std::string::npos) << log_;
    } else {
      EXPECT_EQ(ziptest::ReadBytes(install() / "a.txt"), "new a") << log_;
      EXPECT_FALSE(fs::exists(install() / "older.txt")) << "the download replaces an older package";
    }
  }
}

TEST_F(PendingPackage, FailedCopyKeepsTheDownload) {
  fs::remove(install() / "update.zip");
  fs::create_directories(install() / "update.zip");  // the copy cannot replace a folder
  PendingUpdateOptions options;
  options.tempTrusted = [](const platform::Folder&, const platform::File&) { return true; };
  PreparePendingPackage(directory(), options);
  EXPECT_TRUE(fs::is_regular_file(temp() / "update.zip"));
  EXPECT_FALSE(fs::exists(install() / "update.zip.part"));
}

// A keyless build takes a package from temp\ only when only administrators
// (root here) could have written the folder and the file itself.
TEST_F(PendingPackage, KeylessBuildLeavesAPackageOthersMayWriteAlone) {
#ifndef _WIN32  // Wine keeps no access lists
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  for (const bool othersMayWrite : {false, true}) {
    fs::remove_all(install());
    SetUp();
    fs::permissions(temp(), fs::perms(0755));
    fs::permissions(temp() / "update.zip", fs::perms(othersMayWrite ? 0666 : 0644));
    PreparePendingPackage(directory());
    EXPECT_EQ(fs::exists(temp() / "update.zip"), othersMayWrite) << log_;
  }
#endif
}

// On an installation with a release record: a package without a manifest is
// set aside as refused at once, one of the installed version removed; the
// installation stays as it was.
TEST_F(PendingPackage, ReleaseTheInstallationMustNotTakeIsSetAside) {
  release::Manifest installed;
  installed.product = "client";
  installed.version = *release::Version::Parse("2.0");
  installed.files.push_back({"a.txt", 5, release::Sha256Of("old a", 5), true});
  const std::string record = release::FormatManifest(installed);
  struct Case {
    const char* what;
    std::vector<ziptest::EntrySpec> entries;
    PendingUpdateResult expected;
    const char* left;  // the package's name afterwards, beside the launcher
  };
  const Case cases[] = {
      {"no manifest", {{"a.txt", "new a"}}, PendingUpdateResult::Rejected, "update.rejected.zip"},
      {"installed version",
       {{release::kManifestEntryName, record}, {"a.txt", "old a"}},
       PendingUpdateResult::AlreadyInstalled,
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(install());
    SetUp();
    ziptest::WriteBytes(install() / "a.txt", "old a");
    ziptest::WriteBytes(install() / "~zvk-apply-installed", record);
    ASSERT_TRUE(ziptest::WriteArchive(install() / "update.zip", c.entries));
    EXPECT_EQ(ApplyPendingPackage(directory()), c.expected) << log_;
    EXPECT_EQ(ziptest::ReadBytes(install() / "a.txt"), "old a");
    EXPECT_FALSE(fs::exists(install() / "update.zip"));
    if (c.left != nullptr) {
      EXPECT_TRUE(fs::exists(install() / c.left));
    }
  }
}

}  // namespace
