#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "child_process.h"
#include "platform/win_handle.h"

namespace {

constexpr wchar_t kUpdateMutexName[] = L"KTPW_AutoUpdate";
constexpr wchar_t kInstanceMutexName[] = L"{11B0C527-BB62-4BE3-9769-26491D9845B4}";
constexpr DWORD kRefused = static_cast<DWORD>(-1);
constexpr DWORD kQuickExitMs = 8000;
constexpr DWORD kLongestWaitMs = 20000;

std::wstring UpdaterPath() { return TestDirectory() + L"..\\bin\\Updater.exe"; }

bool MutexExists(const wchar_t* name) {
  return static_cast<bool>(WinHandle(OpenMutexW(SYNCHRONIZE, FALSE, name)));
}

// Holds a named mutex on a thread of its own, the way a running updater's
// main thread does. Leaving without release() lets the thread end while it
// owns the mutex, which abandons it.
class MutexHolder {
 public:
  explicit MutexHolder(const wchar_t* name) : thread_([this, name] { Hold(name); }) {
    while (!owning_) Sleep(10);
  }
  ~MutexHolder() { end(false); }
  void end(bool release) {
    if (!thread_.joinable()) return;
    release_ = release;
    finish_ = true;
    thread_.join();
  }

 private:
  void Hold(const wchar_t* name) {
    const WinHandle mutex(CreateMutexW(nullptr, FALSE, name));
    WaitForSingleObject(mutex.get(), INFINITE);
    owning_ = true;
    while (!finish_) Sleep(10);
    if (release_) ReleaseMutex(mutex.get());
  }

  std::atomic<bool> owning_{false};
  std::atomic<bool> finish_{false};
  std::atomic<bool> release_{false};
  std::thread thread_;
};

TEST(UpdaterEntry, NoArgumentExitsWithMinusOneShowsNoWindowAndReleasesTheInstanceMutex) {
  ChildProcess updater(UpdaterPath(), L"");
  ASSERT_TRUE(updater.started());
  bool sawWindow = false;
  const DWORD start = GetTickCount();
  while (!updater.waitForExit(20) && GetTickCount() - start < kQuickExitMs) {
    sawWindow = sawWindow || ProcessHasVisibleWindow(updater.id());
  }
  ASSERT_FALSE(updater.running());
  EXPECT_EQ(updater.exitCode(), kRefused);
  EXPECT_FALSE(sawWindow);
  EXPECT_FALSE(MutexExists(kInstanceMutexName));
}

// Waits (bounded) for a top-level window of the class; null when none came.
HWND WaitForWindowClass(const wchar_t* className, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = FindWindowW(className, nullptr)) return window;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(20);
  }
}

TEST(UpdaterEntry, ArgumentsLeadToARunThatHoldsTheInstanceMutexAndExitsWithZero) {
  ChildProcess updater(UpdaterPath(), L"-url=http://127.0.0.1:9/none.zip -md5=");
  ASSERT_TRUE(updater.started());
  // The run's window shows while the download is tried; closing it ends the run.
  const HWND window = WaitForWindowClass(L"zvk_updater_wnd_class_name", kQuickExitMs);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(MutexExists(kInstanceMutexName));
  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(updater.waitForExit(kQuickExitMs));
  EXPECT_EQ(updater.exitCode(), 0u);
  EXPECT_FALSE(MutexExists(kInstanceMutexName));
}

TEST(UpdaterEntry, ExistingInstanceMutexTurnsTheUpdaterAwayAtOnce) {
  const WinHandle instance(CreateMutexW(nullptr, TRUE, kInstanceMutexName));
  ASSERT_TRUE(instance);
  ChildProcess updater(UpdaterPath(), L"-url=http://127.0.0.1:9/none.zip");
  ASSERT_TRUE(updater.started());
  ASSERT_TRUE(updater.waitForExit(kQuickExitMs));
  EXPECT_EQ(updater.exitCode(), kRefused);
}

TEST(UpdaterEntry, SecondUpdaterWaitsAboutTenSecondsThenGivesUp) {
  MutexHolder firstUpdater(kUpdateMutexName);
  const DWORD start = GetTickCount();
  ChildProcess updater(UpdaterPath(), L"-url=http://127.0.0.1:9/none.zip");
  ASSERT_TRUE(updater.started());
  ASSERT_TRUE(updater.waitForExit(kLongestWaitMs));
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_EQ(updater.exitCode(), kRefused);
  EXPECT_GE(elapsed, 9000u);
  EXPECT_LT(elapsed, kLongestWaitMs);
  EXPECT_FALSE(MutexExists(kInstanceMutexName));
  firstUpdater.end(true);
}

TEST(UpdaterEntry, UpdaterEndingWhileASecondWaitsLetsTheSecondGoOn) {
  auto firstUpdater = std::make_unique<MutexHolder>(kUpdateMutexName);
  ChildProcess updater(UpdaterPath(), L"");
  ASSERT_TRUE(updater.started());
  Sleep(1500);
  ASSERT_TRUE(updater.running()) << "the second updater must wait while the first one owns the mutex";
  const DWORD released = GetTickCount();
  firstUpdater.reset();  // its thread ends owning the mutex: abandoned
  ASSERT_TRUE(updater.waitForExit(kQuickExitMs));
  EXPECT_LT(GetTickCount() - released, kQuickExitMs);
  // Without arguments the run itself is refused after both mutexes were taken.
  EXPECT_EQ(updater.exitCode(), kRefused);
  EXPECT_FALSE(MutexExists(kInstanceMutexName));
}

// Resources as the program's own FindResource calls see them.
class UpdaterImage {
 public:
  UpdaterImage() : module_(LoadLibraryExW(UpdaterPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~UpdaterImage() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  UpdaterImage(const UpdaterImage&) = delete;
  UpdaterImage& operator=(const UpdaterImage&) = delete;

  bool loaded() const { return module_ != nullptr; }
  std::string bytes(const wchar_t* type, WORD id) const {
    HRSRC resource = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    if (resource == nullptr) return std::string();
    HGLOBAL data = LoadResource(module_, resource);
    const char* begin = static_cast<const char*>(LockResource(data));
    return begin == nullptr ? std::string() : std::string(begin, SizeofResource(module_, resource));
  }

 private:
  HMODULE module_;
};

TEST(UpdaterResources, ManifestIconAndSkinPackageAreEmbedded) {
  const UpdaterImage image;
  ASSERT_TRUE(image.loaded());
  const std::string manifest = image.bytes(MAKEINTRESOURCEW(24), 1);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_FALSE(image.bytes(RT_GROUP_ICON, 101).empty());
  const std::string skin = image.bytes(L"ZIPRES", 102);
  ASSERT_GE(skin.size(), 4u);
  EXPECT_EQ(skin.compare(0, 4, "PK\x03\x04"), 0);
}

}  // namespace
