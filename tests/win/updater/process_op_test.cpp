#include "updater/process_op.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

namespace {

constexpr DWORD kTerminatedExitCode = 9;
constexpr DWORD kExitWaitMs = 5000;
// Bounded, and no pipe server: several copies run side by side.
constexpr wchar_t kClientOptions[] = L"--zvk-lifetime=60000 --zvk-no-pipe";
constexpr wchar_t kClientRecordName[] = L"zvkclient_record.txt";

std::wstring FakeClientPath() { return TestDirectory() + L"..\\bin\\zvkclient.exe"; }

// A private folder with copies of the fake Client under the Client's names;
// the processes started from it end, and the folder goes, with the fixture.
class ClientProcesses : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    folder_ = std::wstring(temp) + L"zvk_process_op_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_EQ(FindProcess_ByName("zvkclient.exe"), 0u) << "a Client is already running";
    ASSERT_EQ(FindProcess_ByName("mrwclient.exe"), 0u) << "a sibling client is already running";
  }

  void TearDown() override {
    processes_.clear();
    for (const std::wstring& copy : copies_) DeleteFileW(copy.c_str());
    DeleteFileW((folder_ + kClientRecordName).c_str());
    RemoveDirectoryW(folder_.c_str());
  }

  const ChildProcess& Start(const std::wstring& name) {
    const std::wstring copy = folder_ + name;
    if (GetFileAttributesW(copy.c_str()) == INVALID_FILE_ATTRIBUTES) {
      EXPECT_TRUE(CopyFileW(FakeClientPath().c_str(), copy.c_str(), FALSE)) << GetLastError();
      copies_.push_back(copy);
    }
    processes_.push_back(std::make_unique<ChildProcess>(copy, kClientOptions));
    EXPECT_TRUE(processes_.back()->started());
    return *processes_.back();
  }

  static void ExpectTerminated(const ChildProcess& process) {
    ASSERT_TRUE(process.waitForExit(kExitWaitMs));
    EXPECT_EQ(process.exitCode(), kTerminatedExitCode);
  }

 private:
  std::wstring folder_;
  std::vector<std::wstring> copies_;
  std::vector<std::unique_ptr<ChildProcess>> processes_;
};

TEST_F(ClientProcesses, FindsARunningProcessByExactNameIgnoringCase) {
  const ChildProcess& client = Start(L"ZvkClient.EXE");
  EXPECT_EQ(FindProcess_ByName("zvkclient.exe"), client.id());
  EXPECT_EQ(FindProcess_ByName("ZVKCLIENT.EXE"), client.id());
  EXPECT_EQ(FindProcess_ByName("zvkclient"), 0u);
  EXPECT_EQ(FindProcess_ByName("kclient.exe"), 0u);
  EXPECT_EQ(FindProcess_ByName(""), 0u);
}

TEST_F(ClientProcesses, LongerNameIsNotTakenForTheClient) {
  Start(L"zvkclient.exe2");
  EXPECT_EQ(FindProcess_ByName("zvkclient.exe"), 0u);
  EXPECT_TRUE(KillClientAndWait());
}

TEST_F(ClientProcesses, KillingOnlyTheClientTerminatesItButReportsFalse) {
  const ChildProcess& client = Start(L"zvkclient.exe");
  EXPECT_FALSE(KillClient());
  ExpectTerminated(client);
}

TEST_F(ClientProcesses, ClientWithOtherCaseIsStoppedToo) {
  const ChildProcess& client = Start(L"ZvkClient.EXE");
  KillClientAndWait();
  ExpectTerminated(client);
  EXPECT_EQ(FindProcess_ByName("zvkclient.exe"), 0u);
}

TEST_F(ClientProcesses, KillingBothClientsReportsTrue) {
  const ChildProcess& client = Start(L"zvkclient.exe");
  const ChildProcess& sibling = Start(L"mrwclient.exe");
  EXPECT_TRUE(KillClient());
  ExpectTerminated(client);
  ExpectTerminated(sibling);
}

TEST_F(ClientProcesses, KillAndWaitWaitsUntilTheClientIsGone) {
  const ChildProcess& client = Start(L"zvkclient.exe");
  const ChildProcess& sibling = Start(L"mrwclient.exe");
  const DWORD start = GetTickCount();
  EXPECT_TRUE(KillClientAndWait());
  EXPECT_LT(GetTickCount() - start, 4000u);
  EXPECT_EQ(FindProcess_ByName("zvkclient.exe"), 0u);
  ExpectTerminated(client);
  ExpectTerminated(sibling);
}

TEST_F(ClientProcesses, KillAndWaitWithNoClientReturnsTrueAtOnce) {
  const DWORD start = GetTickCount();
  EXPECT_FALSE(KillClient());
  EXPECT_TRUE(KillClientAndWait());
  EXPECT_LT(GetTickCount() - start, 2000u);
}

TEST_F(ClientProcesses, SiblingAloneIsTerminatedAndCountsAsClientGone) {
  const ChildProcess& sibling = Start(L"mrwclient.exe");
  EXPECT_TRUE(KillClientAndWait());
  ExpectTerminated(sibling);
}

}  // namespace
