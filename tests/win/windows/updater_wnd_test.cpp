// The updater window under Wine against the scripted package server running
// in-process: progress lines over time, the retry suffix and the widening,
// the failure box, and every way the window ends the updater's loop. The
// worker is the engine's Downloader with an install step that only counts.
#include "updater/windows/updater_wnd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <boost/make_shared.hpp>
#include <memory>
#include <string>
#include <vector>

#include "skinui/control.h"
#include "tests/helpers/package_server/package_server.h"
#include "tests/unit/download/test_support.h"
#include "updater/download/downloader.h"
#include "updater/windows/progress_text.h"
#include "updater/windows/tips_box_wnd.h"
#include "window_test_support.h"

namespace windows_test {
namespace {

using package_server::Behaviour;
using package_server::PackageServer;
using package_server::ServerOptions;
using updater_ui::UiLanguage;

class CountingDownloader : public Downloader {
 public:
  CountingDownloader(const ZipConf& conf, std::shared_ptr<std::atomic<int>> installs)
      : Downloader(conf.url, conf.zipMd5, conf.host, conf.requestPath, conf.forcedupdate != 0),
        installs_(std::move(installs)) {}
  void DoInstall() override { ++*installs_; }

 private:
  std::shared_ptr<std::atomic<int>> installs_;
};

constexpr int kLeft = 900;
constexpr int kTop = 800;

class UpdaterWndTest : public download_test::EngineTest {
 protected:
  static void SetUpTestSuite() { SkinUI::SetSkinInstance(::GetModuleHandleW(nullptr)); }

  ZipConf Conf(const PackageServer& server, const std::string& package, int forced) const {
    ZipConf conf;
    conf.host = server.hostText();
    conf.requestPath = "/pkg/update.zip";
    conf.zipMd5 = download_test::Md5Of(package);
    conf.url = "http://" + conf.host + conf.requestPath + "?" + conf.zipMd5;
    conf.forcedupdate = forced;
    return conf;
  }

  void Start(CUpdaterWnd& wnd, const ZipConf& conf, DWORD retryPauseMs = 300) {
    UpdaterWndTiming timing;
    timing.tickMs = 100;
    timing.retryPauseMs = retryPauseMs;
    timing.installDelayMs = 200;
    wnd.SetTiming(timing);
    std::shared_ptr<std::atomic<int>> installs = installs_;
    wnd.SetWorkerFactory([installs](const ZipConf& c) -> boost::shared_ptr<Downloader> {
      return boost::make_shared<CountingDownloader>(c, installs);
    });
    ::SetWindowPos(wnd.GetHWND(), nullptr, kLeft, kTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    wnd.StartDownload(conf);
  }

  static SkinUI::CControlUI* Control(CUpdaterWnd& wnd, const wchar_t* name) {
    return wnd.GetManager().FindByName(name);
  }
  static std::wstring Line(CUpdaterWnd& wnd) { return Control(wnd, L"tipsLabel")->GetText(); }
  static bool Visible(CUpdaterWnd& wnd, const wchar_t* name) { return Control(wnd, name)->IsVisible(); }
  static bool Finished(CUpdaterWnd& wnd) { return wnd.worker() && wnd.worker()->finished != 0; }

  // The percentage of a progress line, or -1 when the line is none.
  static int PercentIn(const std::wstring& line, bool forced) {
    const std::wstring head = std::wstring(updater_ui::ProgressLineText(ExpectedLanguage(), forced)) + L"...";
    if (line.compare(0, head.size(), head) != 0) return -1;
    return std::stoi(line.substr(head.size()));
  }

  int installs() const { return *installs_; }

  std::shared_ptr<std::atomic<int>> installs_ = std::make_shared<std::atomic<int>>(0);
};

TEST_F(UpdaterWndTest, WindowClassTitleIconAndSkinFollowTheLanguage) {
  CUpdaterWnd wnd;
  const HWND hwnd = wnd.GetHWND();
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(ClassOf(hwnd), L"zvk_updater_wnd_class_name");
  EXPECT_EQ(TitleOf(hwnd), ExpectedLanguage() == UiLanguage::kChinese ? L"升级程序" : L"Update Program");
  EXPECT_NE(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_EQ(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_NE(::SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_EQ(ClientSize(hwnd).cx, 310);
  EXPECT_EQ(ClientSize(hwnd).cy, 100);
  EXPECT_EQ(Line(wnd), L"");
  EXPECT_TRUE(Visible(wnd, L"skipButton"));
  EXPECT_FALSE(Visible(wnd, L"closeButton"));
  EXPECT_FALSE(Visible(wnd, L"buttonLayout"));
  EXPECT_EQ(HitTest(hwnd, 50, 10), HTCAPTION);
  EXPECT_EQ(HitTest(hwnd, 50, 25), HTCLIENT);
}

TEST_F(UpdaterWndTest, NormalModeShowsRisingProgressThenTheInstallButton) {
  const std::string package = download_test::MakePackage(400000, 31);
  ServerOptions paced;
  paced.bytesPerSecond = 100000;
  PackageServer server(package, paced);
  CUpdaterWnd wnd;
  Start(wnd, Conf(server, package, 0));
  EXPECT_EQ(Line(wnd), L"");
  EXPECT_TRUE(Visible(wnd, L"skipButton"));
  Screenshot(wnd.GetHWND(), "updater-start");

  std::vector<std::wstring> lines;
  bool shotTaken = false;
  const bool quit = PumpUntil(
      [&] {
        const std::wstring line = Line(wnd);
        if (lines.empty() || lines.back() != line) lines.push_back(line);
        const int percent = PercentIn(line, false);
        if (!shotTaken && percent >= 30 && percent < 90) {
          shotTaken = true;
          Screenshot(wnd.GetHWND(), "updater-progress");
        }
        return line == updater_ui::FinishedText(ExpectedLanguage());
      },
      30000);
  ASSERT_FALSE(quit);
  ASSERT_EQ(lines.back(), updater_ui::FinishedText(ExpectedLanguage()));
  int last = -1;
  int distinct = 0;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const int percent = PercentIn(lines[i], false);
    ASSERT_GE(percent, 0) << std::string(lines[i].begin(), lines[i].end());
    EXPECT_GE(percent, last);
    EXPECT_EQ(lines[i], updater_ui::ProgressLine(ExpectedLanguage(), false, percent, 0));
    if (percent != last) ++distinct;
    last = percent;
  }
  EXPECT_GE(distinct, 3);
  EXPECT_FALSE(Visible(wnd, L"progressLayout"));
  EXPECT_TRUE(Visible(wnd, L"buttonLayout"));
  EXPECT_TRUE(Visible(wnd, L"closeButton"));
  EXPECT_EQ(installs(), 0);
  Screenshot(wnd.GetHWND(), "updater-finished");

  PostClick(wnd.GetHWND(), 264, 77);  // installButton
  EXPECT_TRUE(PumpFor(3000));
  EXPECT_EQ(installs(), 1);
}

TEST_F(UpdaterWndTest, ForcedModeHidesSkipAndInstallsByItself) {
  const std::string package = download_test::MakePackage(200000, 32);
  ServerOptions paced;
  paced.bytesPerSecond = 100000;
  PackageServer server(package, paced);
  CUpdaterWnd wnd;
  Start(wnd, Conf(server, package, 2));
  EXPECT_FALSE(Visible(wnd, L"skipButton"));
  bool shotTaken = false;
  const bool quit = PumpUntil(
      [&] {
        const int percent = PercentIn(Line(wnd), true);
        if (!shotTaken && percent >= 20 && percent < 90) {
          shotTaken = true;
          Screenshot(wnd.GetHWND(), "updater-forced");
        }
        EXPECT_FALSE(Visible(wnd, L"skipButton"));
        return false;
      },
      30000);
  ASSERT_TRUE(quit);
  EXPECT_EQ(installs(), 1);
  Screenshot(wnd.GetHWND(), "updater-installing");
  EXPECT_EQ(Line(wnd), updater_ui::ProgressLine(ExpectedLanguage(), true, 100, 0));
  EXPECT_TRUE(Visible(wnd, L"closeButton"));
  EXPECT_TRUE(Visible(wnd, L"progressLayout"));
}

TEST_F(UpdaterWndTest, RetrySuffixAppearsAfterTheSecondFailureAndTheWindowWidensToTheLeft) {
  const std::string package = download_test::MakePackage(100000, 33);
  PackageServer server(package);
  server.Script({Behaviour::kGarbage, Behaviour::kGarbage, Behaviour::kGarbage});
  CUpdaterWnd wnd;
  Start(wnd, Conf(server, package, 0), 600);
  const UiLanguage language = ExpectedLanguage();
  const std::wstring firstSuffix = updater_ui::RetrySuffix(language, 1);
  const std::wstring secondSuffix = updater_ui::RetrySuffix(language, 2);
  bool sawFirst = false;
  bool sawSecond = false;
  bool narrowBeforeFirst = true;
  const bool quit = PumpUntil(
      [&] {
        const std::wstring line = Line(wnd);
        const RECT rc = WindowRect(wnd.GetHWND());
        const bool hasFirst =
            line.size() > firstSuffix.size() &&
            line.compare(line.size() - firstSuffix.size(), firstSuffix.size(), firstSuffix) == 0;
        if (!sawFirst && !hasFirst && line.find(L"\uFF08") == std::wstring::npos) {
          narrowBeforeFirst = narrowBeforeFirst && rc.right - rc.left == 310;
        }
        if (hasFirst && !sawFirst) {
          sawFirst = true;
          EXPECT_EQ(rc.right - rc.left, 360);
          EXPECT_EQ(rc.right, kLeft + 310);
          EXPECT_EQ(rc.top, kTop);
          EXPECT_EQ(rc.bottom - rc.top, 100);
          Screenshot(wnd.GetHWND(), "updater-retry");
        }
        if (line.find(secondSuffix) != std::wstring::npos) {
          sawSecond = true;
          EXPECT_EQ(rc.right - rc.left, 360);
        }
        return Finished(wnd) && line == updater_ui::FinishedText(language);
      },
      30000);
  EXPECT_FALSE(quit);
  EXPECT_TRUE(narrowBeforeFirst);
  EXPECT_TRUE(sawFirst);
  EXPECT_TRUE(sawSecond);
  EXPECT_EQ(wnd.retryCount(), 2);
  EXPECT_EQ(WindowRect(wnd.GetHWND()).right - WindowRect(wnd.GetHWND()).left, 360);
}

TEST_F(UpdaterWndTest, TenFailuresShowTheFailureBoxAndThenEndTheLoop) {
  const std::string package = download_test::MakePackage(1000, 34);
  ServerOptions broken;
  broken.defaultBehaviour = Behaviour::kGarbage;
  PackageServer server(package, broken);
  CUpdaterWnd wnd;
  Start(wnd, Conf(server, package, 0), 30);
  HWND box = nullptr;
  ASSERT_FALSE(PumpUntil(
      [&] {
        box = ::FindWindowW(CTipsBoxWnd::kClassName, nullptr);
        return box != nullptr && ::IsWindowVisible(box);
      },
      30000));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(wnd.retryCount(), 9);
  EXPECT_EQ(TitleOf(box), L"Vellacast提示");
  EXPECT_EQ(::GetWindow(box, GW_OWNER), nullptr);
  EXPECT_NE(::GetWindowThreadProcessId(box, nullptr), ::GetCurrentThreadId());
  // The updater window keeps running under the box.
  EXPECT_FALSE(PumpFor(300));
  Screenshot(box, "updater-failed");
  PostKey(box, VK_RETURN);
  EXPECT_TRUE(PumpFor(5000));
  EXPECT_FALSE(::IsWindow(box));
  EXPECT_EQ(installs(), 0);
}

TEST_F(UpdaterWndTest, FailureBoxClosedAfterTheWindowIsGoneEndsQuietly) {
  const std::string package = download_test::MakePackage(1000, 38);
  ServerOptions broken;
  broken.defaultBehaviour = Behaviour::kGarbage;
  PackageServer server(package, broken);
  HWND box = nullptr;
  {
    CUpdaterWnd wnd;
    Start(wnd, Conf(server, package, 0), 30);
    ASSERT_FALSE(PumpUntil(
        [&] {
          box = ::FindWindowW(CTipsBoxWnd::kClassName, nullptr);
          return box != nullptr && ::IsWindowVisible(box);
        },
        30000));
  }
  // The worker's thread still runs the box of a window that no longer exists.
  ASSERT_TRUE(::IsWindow(box));
  PostKey(box, VK_RETURN);
  EXPECT_TRUE(engine_threads::WaitUntilNoneRun(5000));
  EXPECT_FALSE(::IsWindow(box));
  EXPECT_FALSE(PumpFor(200));
}

TEST_F(UpdaterWndTest, SkipEndsTheLoopAtOnceAndTheWorkerStopsWithTheWindow) {
  const std::string package = download_test::MakePackage(400000, 35);
  ServerOptions slow;
  slow.bytesPerSecond = 20000;
  PackageServer server(package, slow);
  {
    CUpdaterWnd wnd;
    Start(wnd, Conf(server, package, 0));
    ASSERT_FALSE(PumpUntil([&] { return PercentIn(Line(wnd), false) >= 1; }, 20000));
    PostClick(wnd.GetHWND(), 264, 75);  // skipButton
    EXPECT_TRUE(PumpFor(1000));
    EXPECT_EQ(installs(), 0);
  }
  EXPECT_TRUE(engine_threads::WaitUntilNoneRun(3000));
}

TEST_F(UpdaterWndTest, EnterEscapeAndAltF4EndTheLoopDuringTheDownload) {
  const std::string package = download_test::MakePackage(400000, 36);
  ServerOptions slow;
  slow.bytesPerSecond = 20000;
  PackageServer server(package, slow);
  for (int way = 0; way < 3; ++way) {
    CUpdaterWnd wnd;
    Start(wnd, Conf(server, package, way == 1 ? 2 : 0));
    EXPECT_FALSE(PumpFor(150));
    if (way == 0) PostKey(wnd.GetHWND(), VK_RETURN);
    if (way == 1) PostKey(wnd.GetHWND(), VK_ESCAPE);
    if (way == 2) PostAltF4(wnd.GetHWND());
    EXPECT_TRUE(PumpFor(1000)) << way;
    EXPECT_TRUE(::IsWindow(wnd.GetHWND())) << way;
  }
  EXPECT_EQ(installs(), 0);
}

TEST_F(UpdaterWndTest, FinishedWindowEndsWithoutInstallingOnEnterOrTheCloseButton) {
  const std::string package = download_test::MakePackage(20000, 37);
  PackageServer server(package);
  for (int way = 0; way < 2; ++way) {
    CUpdaterWnd wnd;
    Start(wnd, Conf(server, package, 0));
    ASSERT_FALSE(PumpUntil([&] { return Visible(wnd, L"buttonLayout"); }, 20000));
    if (way == 0) PostKey(wnd.GetHWND(), VK_RETURN);
    if (way == 1) PostClick(wnd.GetHWND(), 297, 15);  // closeButton
    EXPECT_TRUE(PumpFor(1000)) << way;
  }
  EXPECT_EQ(installs(), 0);
}

}  // namespace
}  // namespace windows_test
