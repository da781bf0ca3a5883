#include <boost/pointer_cast.hpp>
#include <string>

#include "logging/n_log.h"
#include "platform/platform.h"
#include "skinui/skin_package.h"
#include "skinui/win32/window_impl_base.h"
#include "skinui/win32/window_wnd.h"
#include "updater/corner_placement.h"
#include "updater/download/engine_settings.h"
#include "updater/process_op.h"
#include "updater/updater_app.h"
#include "updater/windows/tips_box_wnd.h"
#include "updater/windows/ui_language.h"
#include "updater/windows/ui_texts.h"
#include "updater/windows/updater_wnd.h"
#include "updater/zip_conf.h"
#include "updater/zip_downloader.h"

namespace {

constexpr DWORD kModulePathCapacity = 1024;

// The executable's full path. A path that does not fit the usual buffer is
// read again in full: a cut path would put the package, the launcher and the
// install target into some other folder.
std::wstring UpdaterModulePath() {
  wchar_t buffer[kModulePathCapacity] = {};
  const DWORD length = GetModuleFileNameW(nullptr, buffer, kModulePathCapacity);
  if (length == 0) return std::wstring();
  if (length >= kModulePathCapacity) return platform::ModulePath();
  return std::wstring(buffer, length);
}

ZipConf parseZipConf(const wchar_t* commandLine) { return BuildZipConf(commandLine, UpdaterModulePath()); }

// Tells the user, over the Client's own window when there is one, that the
// Client is too old and will be updated now.
void ShowClientTooOldNotice() {
  HWND client = FindWindowW(L"vellacast", nullptr);
  // Disabling a hung Client's window would hang the updater with it, before
  // it ever stops the Client; the notice then stands on its own.
  if (client != nullptr && IsHungAppWindow(client)) client = nullptr;
  CTipsBoxWnd notice(client, updater_ui::ClientTooOldText(updater_ui::CurrentUiLanguage()), kTipsBoxNotice);
  notice.CenterOnOwner();
  notice.RunModal();
}

void PlaceInBottomRightCorner(HWND window) {
  RECT workArea{};
  RECT bounds{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0) || !GetWindowRect(window, &bounds)) return;
  const ScreenPoint corner =
      BottomRightCorner(ScreenRect{workArea.left, workArea.top, workArea.right, workArea.bottom},
                        ScreenRect{bounds.left, bounds.top, bounds.right, bounds.bottom});
  SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}

// What the window's run came to, read once its loop has ended.
std::string OutcomeOf(const CUpdaterWnd& window) {
  const auto worker = boost::dynamic_pointer_cast<ZipDownloader>(window.worker());
  if (!worker) return "failed: no download worker";
  if (window.downloadFailed()) return "download failed, nothing installed";
  if (worker->finished == 0) return "closed before the download finished, nothing installed";
  if (!window.installStarted()) return "downloaded, left for the launcher's next start";
  return std::string("downloaded, ") + DescribeInstallOutcome(worker->lastOutcome());
}

// The updater window from creation to destruction; returns once its message
// loop has ended, with what it did. Destroying the window releases the
// worker, which stops it.
std::string RunUpdaterWindow(const ZipConf& conf) {
  CUpdaterWnd window;
  window.ShowWindow(false);
  PlaceInBottomRightCorner(window.GetHWND());
  window.StartDownload(conf);
  window.ShowWindow(true, true);
  SetActiveWindow(window.GetHWND());
  SetForegroundWindow(window.GetHWND());
  SkinUI::RunMessageLoop();
  return OutcomeOf(window);
}

void LogPackageRoute(const ZipConf& conf) {
  constexpr char kTlsScheme[] = "https://";
  const bool tls = conf.host.compare(0, sizeof kTlsScheme - 1, kTlsScheme) == 0;
  ZM_INFO << "package server: " << conf.host.substr(tls ? sizeof kTlsScheme - 1 : 0)
          << (tls ? ", TLS" : ", plain HTTP");
}

}  // namespace

bool UpdaterApp::Run(const wchar_t* commandLine) {
  SkinUI::SetSkinInstance(instance_);
  SkinUI::SetSkinResourcePath(platform::ModuleDirectory());
  const ZipConf conf = parseZipConf(commandLine);
  LogPackageRoute(conf);
  // The download keeps its files beside the running updater, as the launcher
  // expects them in its temp folder.
  download::UseModuleDirectoryAsUpdaterFolder();
  if (conf.forcedupdate == 1) {
    ShowClientTooOldNotice();
    KillClientAndWait();
  }
  outcome_ = RunUpdaterWindow(conf);
  return true;
}
