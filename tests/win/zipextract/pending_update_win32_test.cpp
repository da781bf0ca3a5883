// The launcher's pending-update step, through the real ZVKLaunch.exe in a
// fresh installation folder with the fake Client beside it.
#include <gtest/gtest.h>

#include <iterator>
#include <optional>

#include "client_record.h"
#include "tests/unit/zipextract/zip_builder.h"
#include "win_file_helpers.h"

namespace fs = std::filesystem;
using ziptest::EntrySpec;

namespace {

constexpr DWORD kLauncherTimeoutMs = 30000;
constexpr DWORD kClientTimeoutMs = 15000;

class PendingUpdate : public ::testing::Test {
 protected:
  void SetUp() override { Install(temp_.path() / "install"); }
  void Install(const fs::path& folder) {
    install_ = folder;
    fs::create_directories(install_);
    fs::copy_file(ziptest::BinFolder() / "ZVKLaunch.exe", install_ / "ZVKLaunch.exe");
    fs::copy_file(ziptest::BinFolder() / "zvkclient.exe", install_ / "zvkclient.exe");
  }
  void TearDown() override { EndStartedClients(); }

  fs::path temp() const { return install_ / "temp"; }

  // Runs the launcher with no parameters and waits for it to end; its log
  // lines (standard error) go to launcher.log beside the installation.
  void RunLauncher() {
    const std::wstring exe = (install_ / "ZVKLaunch.exe").wstring();
    std::wstring commandLine = L"\"" + exe + L"\"";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE log = CreateFileW((temp_.path() / "launcher.log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                             &inherit, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = startup.hStdOutput = log;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        temp_.path().c_str(), &startup, &process);
    CloseHandle(log);
    ASSERT_TRUE(started) << GetLastError();
    const DWORD waited = WaitForSingleObject(process.hProcess, kLauncherTimeoutMs);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_EQ(waited, WAIT_OBJECT_0);
  }

  // Waits until `count` Clients started by the launcher have recorded their start.
  bool ClientStarted(std::size_t count = 1) {
    for (DWORD waited = 0; waited < kClientTimeoutMs; waited += 100) {
      std::size_t starts = 0;
      for (const auto& line : Record()) starts += line.kind == "start" ? 1 : 0;
      if (starts >= count) return true;
      Sleep(100);
    }
    return false;
  }

  std::string LauncherLog() const { return ziptest::ReadBytes(temp_.path() / "launcher.log"); }

  std::vector<fake_client::RecordLine> Record() const {
    return fake_client::ParseRecord(ziptest::ReadBytes(install_ / fake_client::kRecordFileName));
  }

  void EndStartedClients() {
    for (const auto& line : Record()) {
      if (line.kind != "start") continue;
      HANDLE client = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(line.pid));
      if (client == nullptr) continue;
      TerminateProcess(client, 0);
      WaitForSingleObject(client, 5000);
      CloseHandle(client);
    }
  }

  ziptest::TempFolder temp_;
  fs::path install_;
};

TEST_F(PendingUpdate, WithoutTempFolderOrPackageNothingChanges) {
  RunLauncher();
  EXPECT_TRUE(ClientStarted());
  EXPECT_FALSE(fs::exists(temp()));
  EXPECT_FALSE(fs::exists(install_ / "update.zip"));
}

// Wine gives every folder an access list that lets its user write it, as a
// temp\ granted to Users would be: a build without a publisher key then
// takes no package from there.
TEST_F(PendingUpdate, KeylessLauncherLeavesThePackageOfAUserWritableTempAlone) {
  fs::create_directories(temp());
  for (const char* leftover :
       {"Updater.exe", "update.td0", "update.td1", "update.td2", "update.td3", "update.td"})
    ziptest::WriteBytes(temp() / leftover, "leftover");
  ASSERT_TRUE(ziptest::WriteArchive(temp() / "update.zip", {{"bin/a.dll", "new library"}}));
  RunLauncher();
  EXPECT_TRUE(ClientStarted());
  EXPECT_EQ(std::distance(fs::directory_iterator(temp()), fs::directory_iterator()), 1) << "leftovers stay";
  EXPECT_TRUE(fs::exists(temp() / "update.zip"));
  EXPECT_FALSE(fs::exists(install_ / "update.zip"));
  EXPECT_FALSE(fs::exists(install_ / "bin"));
  const std::string log = LauncherLog();
  EXPECT_NE(log.find("[E]"), std::string::npos) << log;
  EXPECT_NE(log.find("may write " + (temp() / "").string()), std::string::npos) << log;
  EXPECT_NE(log.find("let only administrators write that folder"), std::string::npos) << log;
}

// A virus scanner holding the package: it is kept, not counted as a failed
// start (it did not fail), and applied once free.
TEST_F(PendingUpdate, PackageHeldByAnotherProgramIsKeptAndAppliedAtTheNextStart) {
  ASSERT_TRUE(ziptest::WriteArchive(install_ / "update.zip", {{"a.txt", "new a"}}));
  HANDLE held =
      CreateFileW((install_ / "update.zip").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  RunLauncher();
  CloseHandle(held);
  EXPECT_TRUE(ClientStarted());
  EndStartedClients();
  EXPECT_TRUE(fs::exists(install_ / "update.zip"));
  EXPECT_FALSE(fs::exists(install_ / "update.tries"));
  EXPECT_NE(LauncherLog().find("pending update busy"), std::string::npos) << LauncherLog();
  RunLauncher();
  EXPECT_TRUE(ClientStarted(2));
  EXPECT_EQ(ziptest::ReadBytes(install_ / "a.txt"), "new a");
  EXPECT_FALSE(fs::exists(install_ / "update.zip"));
  EXPECT_FALSE(fs::exists(install_ / "update.tries"));
}

TEST_F(PendingUpdate, PackageWithABadEntryIsKeptAndSetAsideAfterThreeStarts) {
  ASSERT_TRUE(ziptest::WriteArchive(install_ / "update.zip",
                                    {{"b.txt", "new text"}, {"bin/a.dll", "new library", 0}}));
  std::string bytes = ziptest::ReadBytes(install_ / "update.zip");
  bytes[ziptest::DataOffset(bytes, "bin/a.dll")] ^= 0x20;  // its CRC-32 no longer matches
  ziptest::WriteBytes(install_ / "update.zip", bytes);
  ziptest::WriteBytes(install_ / "update.failed.zip", "an older failure");
  ziptest::WriteBytes(install_ / "b.txt", "old text");

  for (int start = 1; start <= 3; ++start) {
    RunLauncher();
    EXPECT_TRUE(ClientStarted(start));
    EndStartedClients();  // a running Client would turn the next start into a hand-off
    EXPECT_EQ(ziptest::ReadBytes(install_ / "b.txt"), "old text");
    EXPECT_FALSE(fs::exists(install_ / "bin"));
    EXPECT_EQ(fs::exists(install_ / "update.zip"), start < 3) << start;
  }
  EXPECT_EQ(ziptest::ReadBytes(install_ / "update.failed.zip"), bytes);
}

// A Client that has not quite exited still holds a file: nothing changes and
// the package waits; once the file is free, the next start applies it whole.
TEST_F(PendingUpdate, HeldFileKeepsTheOldInstallationUntilTheNextStart) {
  ASSERT_TRUE(ziptest::WriteArchive(install_ / "update.zip", {{"a.txt", "new a"}, {"b.txt", "new b"}}));
  ziptest::WriteBytes(install_ / "a.txt", "old a");
  ziptest::WriteBytes(install_ / "b.txt", "old b");
  SetFileAttributesW((install_ / "a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE held =
      CreateFileW((install_ / "b.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  RunLauncher();
  CloseHandle(held);
  EXPECT_TRUE(ClientStarted());
  EndStartedClients();
  EXPECT_EQ(ziptest::ReadBytes(install_ / "a.txt"), "old a");
  EXPECT_EQ(ziptest::ReadBytes(install_ / "b.txt"), "old b");
  EXPECT_TRUE(fs::exists(install_ / "update.zip"));

  RunLauncher();
  EXPECT_TRUE(ClientStarted(2));                               // before TearDown, which ends it
  EXPECT_EQ(ziptest::ReadBytes(install_ / "a.txt"), "new a");  // read-only old file replaced
  EXPECT_EQ(ziptest::ReadBytes(install_ / "b.txt"), "new b");
  EXPECT_FALSE(fs::exists(install_ / "update.zip"));
  EXPECT_FALSE(fs::exists(install_ / "update.tries"));
}

// Folder names outside the ANSI code page: every path of the step is wide.
// The package lies beside the launcher: a keyless one takes none from the
// temp\ that Wine lets every user write.
TEST_F(PendingUpdate, DownloadedPackageIsInstalledInAFolderOutsideTheCodePage) {
  const fs::path folder = temp_.path() / L"\u0394\u66F4\u65B0";
  std::error_code error;
  if (!fs::create_directories(folder / "temp", error)) GTEST_SKIP() << "Wine's locale cannot name the folder";
  Install(folder);
  ziptest::WriteBytes(temp() / "update.td0", "leftover");
  ASSERT_TRUE(ziptest::WriteArchive(temp_.path() / "update.zip", {{"a.txt", "new a"}}));
  fs::copy_file(temp_.path() / "update.zip", install_ / "update.zip");
  RunLauncher();
  EXPECT_TRUE(ClientStarted());
  EXPECT_EQ(ziptest::ReadBytes(install_ / "a.txt"), "new a");
  EXPECT_TRUE(fs::is_empty(temp()));
  EXPECT_FALSE(fs::exists(install_ / "update.zip"));
}

TEST_F(PendingUpdate, PackageThatIsNoZipIsDeletedAndTheClientStarts) {
  ziptest::WriteBytes(install_ / "update.zip", "<html>not found</html>");
  RunLauncher();
  EXPECT_TRUE(ClientStarted());
  EXPECT_FALSE(fs::exists(install_ / "update.zip"));
}

TEST_F(PendingUpdate, FailedCopyKeepsTheDownloadedPackage) {
  fs::create_directories(temp());
  ASSERT_TRUE(ziptest::WriteArchive(temp() / "update.zip", {{"a.txt", "a"}}));
  fs::create_directories(install_ / "update.zip");  // the copy cannot replace a folder
  RunLauncher();
  EXPECT_TRUE(ClientStarted());
  EXPECT_TRUE(fs::is_regular_file(temp() / "update.zip"));
  EXPECT_FALSE(fs::exists(install_ / "a.txt"));
}

TEST_F(PendingUpdate, EntriesOutsideTheInstallationAreNeitherDeletedNorWritten) {
  ziptest::WriteBytes(temp_.path() / "outside.txt", "keep me");
  ASSERT_TRUE(ziptest::WriteArchive(install_ / "update.zip",
                                    {{"../outside.txt", "overwritten"}, {"inside.txt", "inside"}}));
  RunLauncher();
  EXPECT_TRUE(ClientStarted());
  EXPECT_EQ(ziptest::ReadBytes(temp_.path() / "outside.txt"), "keep me");
  EXPECT_FALSE(fs::exists(install_ / "inside.txt"));  // all or nothing
  EXPECT_TRUE(fs::exists(install_ / "update.zip"));
}

}  // namespace
