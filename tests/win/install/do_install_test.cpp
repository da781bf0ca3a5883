#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "client_record.h"
#include "skinui/win32/window_wnd.h"
#include "updater/download/md5.h"
#include "updater/zip_downloader.h"
#include "window_driver.h"
#include "zip_builder.h"

namespace {

namespace fs = std::filesystem;

constexpr wchar_t kLaunchClass[] = L"zvk_updater_launch_wnd_class_name";
constexpr wchar_t kTipsClass[] = L"zvk_updater_tips_wnd_class_name";

fs::path BuiltPrograms() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path().parent_path() / "bin";
}

// Answers this process's windows of the given classes with Enter, in order,
// on a thread of its own while the test's thread runs their modal loops.
class WindowAnswerer {
 public:
  explicit WindowAnswerer(std::vector<std::wstring> classes)
      : thread_([this, classes] {
          for (const std::wstring& name : classes) {
            const HWND window = gui_driver::WaitForWindow({name, false, GetCurrentProcessId()}, 20000);
            if (window == nullptr) return;
            gui_driver::AnswerWindow(window, gui_driver::Answer::Enter);
            gui_driver::WaitUntilGone(window, 5000);
            ++answered_;
          }
        }) {}
  ~WindowAnswerer() {
    if (thread_.joinable()) thread_.join();
  }
  // Waits until every window was answered (or waited for in vain).
  int answered() {
    if (thread_.joinable()) thread_.join();
    return answered_;
  }

 private:
  int answered_ = 0;
  std::thread thread_;
};

// The stand-in launcher is a copy of the fake Client: its record says what
// it was started with. The test ends it by its process id.
class DoInstallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SkinUI::SetSkinInstance(::GetModuleHandleW(nullptr)); }

  void SetUp() override {
    root_ = fs::temp_directory_path() / (L"zvk-doinstall-" + std::to_wstring(GetCurrentProcessId()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "Vellacast" / "temp");
    fs::copy_file(BuiltPrograms() / "zvkclient.exe", root_ / "Vellacast" / "ZVKLaunch.exe");
    ASSERT_TRUE(
        ziptest::WriteArchive(root_ / "Vellacast" / "temp" / "update.zip", {{"version.txt", "version 2"}}));
    conf_.zipPath = root_ / "Vellacast" / "temp" / "update.zip";
    ASSERT_TRUE(MD5_CTX::DigestFile(conf_.zipPath, conf_.zipMd5));  // as the download checked it
    conf_.clientDic = fs::path((root_ / "Vellacast").wstring() + L"\\");
    conf_.clientExePath = root_ / "Vellacast" / "ZVKLaunch.exe";
    conf_.pagecallparam = L"course?id=7";
    conf_.forcedupdate = 1;
    SetEnvironmentVariableW(L"ZVK_FAKE_CLIENT_LIFETIME_MS", L"20000");
  }

  void TearDown() override {
    for (const fake_client::RecordLine& line : record()) {
      if (line.kind != "start") continue;
      const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, line.pid);
      if (process == nullptr) continue;
      TerminateProcess(process, 0);
      WaitForSingleObject(process, 5000);
      CloseHandle(process);
    }
    fs::remove_all(root_);
  }

  std::vector<fake_client::RecordLine> record() const {
    std::ifstream file(root_ / "Vellacast" / "zvkclient_record.txt", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return fake_client::ParseRecord(text.str());
  }

  // The parameters the stand-in launcher got, once it is ready.
  std::string launcherArguments() const {
    for (int i = 0; i < 200; ++i) {
      std::string args;
      bool ready = false;
      for (const fake_client::RecordLine& line : record()) {
        if (line.kind == "args") args = line.value;
        ready = ready || line.kind == "ready";
      }
      if (ready) return args;
      Sleep(50);
    }
    return "<no launcher>";
  }

  InstallTimings quick() const {
    InstallTimings timings;
    timings.installLimitMs = 1000;
    timings.retryPauseMs = 100;
    timings.extractPauseMs = 10;
    timings.launchPauseMs = 10;
    return timings;
  }

  fs::path root_;
  ZipConf conf_;
};

TEST_F(DoInstallTest, ForcedInstallUnpacksIntoTheLauncherFolderOnlyAndPassesAnyTextToTheLauncher) {
  // Chinese and accented text: the ANSI code page of an English system holds
  // only part of it.
  conf_.pagecallparam = L"\u8bfe\u7a0b?id=7&name=Jos\u00e9";
  ZipDownloader worker(conf_, quick());
  WindowAnswerer answerer({kLaunchClass});
  worker.DoInstall();
  EXPECT_EQ(answerer.answered(), 1);
  EXPECT_EQ(worker.lastOutcome(), InstallOutcome::Installed);
  EXPECT_TRUE(fs::exists(root_ / "Vellacast" / "version.txt"));
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 1)
      << "nothing beside the installation";
  EXPECT_EQ(launcherArguments(), "\xe8\xaf\xbe\xe7\xa8\x8b?id=7&name=Jos\xc3\xa9");
  EXPECT_TRUE(fs::exists(conf_.zipPath)) << "the launcher installs the package once more";
}

TEST_F(DoInstallTest, NormalModeWithEmptyParametersStartsTheLauncherWithoutAny) {
  conf_.forcedupdate = 0;
  conf_.pagecallparam.clear();
  ZipDownloader worker(conf_, quick());
  WindowAnswerer answerer({kLaunchClass});
  worker.DoInstall();
  EXPECT_EQ(answerer.answered(), 1);
  EXPECT_EQ(worker.lastOutcome(), InstallOutcome::NotUnpacked);
  EXPECT_FALSE(fs::exists(root_ / "Vellacast" / "version.txt"));
  EXPECT_EQ(launcherArguments(), "");
}

TEST_F(DoInstallTest, TargetThatCannotBeCreatedShowsTheFailureBoxThenStillStartsTheLauncher) {
  std::ofstream(root_ / "taken") << "a file where the folder should be";
  conf_.clientDic = fs::path((root_ / "taken").wstring() + L"\\");
  ZipDownloader worker(conf_, quick());
  WindowAnswerer answerer({kTipsClass, kLaunchClass});
  worker.DoInstall();
  EXPECT_EQ(answerer.answered(), 2);
  EXPECT_EQ(worker.lastOutcome(), InstallOutcome::TimedOut);
  EXPECT_EQ(launcherArguments(), "course?id=7");
}

}  // namespace
