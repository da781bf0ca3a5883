#include <atomic>
#include <boost/make_shared.hpp>
#include <exception>

#include "logging/n_log.h"
#include "skinui/button.h"
#include "skinui/label.h"
#include "skinui/layouts.h"
#include "skinui/progress.h"
#include "updater/download/downloader.h"
#include "updater/windows/progress_text.h"
#include "updater/windows/tips_box_wnd.h"
#include "updater/windows/ui_language.h"
#include "updater/windows/updater_wnd.h"
#include "updater/windows/window_geometry.h"
#include "updater/zip_downloader.h"

namespace {

constexpr DWORD kUpdaterStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;
constexpr DWORD kUpdaterExStyle = WS_EX_WINDOWEDGE;

template <class T>
T* FindControl(SkinUI::CSkinManagerUI& manager, const wchar_t* name) {
  return dynamic_cast<T*>(manager.FindByName(name));
}

}  // namespace

// Shared between the window (main thread) and the worker's callbacks. The
// window clears `window` when it goes away; a callback that runs later (a
// failure box closed after the user quit) then finds no window to end.
struct CUpdaterWnd::WorkerLink {
  std::atomic<std::int32_t> retryCount{0};  // written by the worker, read at each tick
  std::atomic<HWND> window{nullptr};
  std::atomic<bool> downloadFailed{false};  // written by the worker's failure callback
  DWORD retryPauseMs = 0;                   // set before the worker starts
};

CUpdaterWnd::CUpdaterWnd() : link_(std::make_shared<WorkerLink>()) {
  if (Create(nullptr, updater_ui::ProgramTitle(updater_ui::CurrentUiLanguage()), kUpdaterStyle,
             kUpdaterExStyle)) {
    SetWindowIcon(kProgramIconId);
  }
  link_->window = m_hWnd;
}

CUpdaterWnd::~CUpdaterWnd() {
  link_->window = nullptr;
  if (m_hWnd) ::KillTimer(m_hWnd, kProgressTimerId);
  worker_.reset();
}

std::wstring CUpdaterWnd::SkinFileName() const {
  return updater_ui::UpdaterSkinFile(updater_ui::CurrentUiLanguage());
}

int CUpdaterWnd::retryCount() const { return link_->retryCount; }

bool CUpdaterWnd::downloadFailed() const { return link_->downloadFailed; }

void CUpdaterWnd::OnSkinLoaded() {
  tipsLabel_ = FindControl<SkinUI::CLabelUI>(m_pm, L"tipsLabel");
  closeButton_ = FindControl<SkinUI::CButtonUI>(m_pm, L"closeButton");
  skipButton_ = FindControl<SkinUI::CButtonUI>(m_pm, L"skipButton");
  buttonLayout_ = FindControl<SkinUI::CHorizontalLayoutUI>(m_pm, L"buttonLayout");
  progressLayout_ = FindControl<SkinUI::CHorizontalLayoutUI>(m_pm, L"progressLayout");
  downloadProgress_ = FindControl<SkinUI::CProgressUI>(m_pm, L"downloadProgress");
}

void CUpdaterWnd::StartDownload(const ZipConf& config) {
  config_ = config;
  if (config_.forcedupdate != 0 && skipButton_) skipButton_->SetVisible(false);
  worker_.reset();
  worker_ = factory_ ? factory_(config_) : boost::make_shared<ZipDownloader>(config_);
  if (!worker_) return;
  link_->retryPauseMs = timing_.retryPauseMs;
  std::shared_ptr<WorkerLink> link = link_;
  worker_->retryCallback = [link](unsigned int count) { OnRetry(link, count); };
  worker_->failCallback = [link] { OnDownloadFailed(link); };
  // The full package fetched in place of a delta: its own attempts, counted afresh.
  worker_->restartCallback = [link] { link->retryCount = 0; };
  worker_->Start();
  if (m_hWnd) ::SetTimer(m_hWnd, kProgressTimerId, timing_.tickMs, nullptr);
}

LRESULT CUpdaterWnd::HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  // Every way of closing ends the updater's loop; the window itself stays
  // until its object is destroyed.
  if (msg == WM_CLOSE || msg == WM_QUIT) {
    ::PostQuitMessage(0);
    return 1;
  }
  if (msg == WM_TIMER && wParam == kProgressTimerId) OnProgressTimer();
  return CZvkWndBase::HandleWindowMessage(msg, wParam, lParam);
}

void CUpdaterWnd::OnProgressTimer() {
  std::int64_t percent = 0;
  bool finished = false;
  if (worker_) {
    finished = worker_->finished != 0;
    const DownloadStatus status = worker_->status;
    // The counter misses the chunks whose addition found the progress lock
    // busy, so it can end short of the total; a verified package is whole,
    // and the last line says so.
    percent = finished ? 100 : updater_ui::PercentOf(status.downloadedSize, status.totalSize);
  }
  ShowProgress(percent, finished);
}

void CUpdaterWnd::ShowProgress(std::int64_t percent, bool finished) {
  const int shown = updater_ui::ShownPercent(percent);
  const int retries = link_->retryCount;
  // Widened once the first retry count shows, and never narrowed again.
  if (retries >= 1 && m_hWnd) {
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    if (rc.right - rc.left != kWidenedWidth) {
      const SkinUI::UiRect wide =
          updater_ui::WidenedToLeft(SkinUI::UiRect{rc.left, rc.top, rc.right, rc.bottom}, kWidenedWidth);
      ::SetWindowPos(m_hWnd, nullptr, wide.left, wide.top, wide.Width(), wide.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  const updater_ui::UiLanguage language = updater_ui::CurrentUiLanguage();
  if (tipsLabel_)
    tipsLabel_->SetText(updater_ui::ProgressLine(language, config_.forcedupdate != 0, shown, retries));
  if (downloadProgress_) downloadProgress_->SetValue(shown);
  if (finished) OnFinished();
}

void CUpdaterWnd::OnFinished() {
  if (m_hWnd) ::KillTimer(m_hWnd, kProgressTimerId);
  if (closeButton_) closeButton_->SetVisible(true);
  if (config_.forcedupdate == 0) {
    if (tipsLabel_) tipsLabel_->SetText(updater_ui::FinishedText(updater_ui::CurrentUiLanguage()));
    if (progressLayout_) progressLayout_->SetVisible(false);
    if (buttonLayout_) buttonLayout_->SetVisible(true);
    return;
  }
  ::Sleep(timing_.installDelayMs);
  Install();
  ::PostQuitMessage(0);
}

void CUpdaterWnd::Install() {
  // DoInstall runs modal windows of its own; a second press of the install
  // button inside them must not start a second install.
  if (!worker_ || installing_) return;
  installing_ = true;
  ZM_INFO << "installing the downloaded package";
  worker_->DoInstall();
}

void CUpdaterWnd::OnNotify(SkinUI::TSkinNotify& msg) {
  if (msg.sType != SkinUI::kNotifyClick || !msg.pSender) return;
  const std::wstring& name = msg.pSender->GetName();
  if (name == L"closeButton" || name == L"skipButton") {
    ::PostQuitMessage(0);
  } else if (name == L"installButton") {
    if (installing_) return;
    Install();
    ::PostQuitMessage(0);
  }
}

void CUpdaterWnd::OnRetry(const std::shared_ptr<WorkerLink>& link, unsigned count) {
  link->retryCount = static_cast<std::int32_t>(count);
  ::Sleep(link->retryPauseMs);
}

void CUpdaterWnd::OnDownloadFailed(const std::shared_ptr<WorkerLink>& link) {
  link->downloadFailed = true;
  // Runs on the worker's thread: nothing may unwind into the engine.
  try {
    ZM_ERROR << "the package could not be downloaded";
    const updater_ui::UiLanguage language = updater_ui::CurrentUiLanguage();
    CTipsBoxWnd box(nullptr, updater_ui::DownloadFailedText(language), kTipsBoxFailure);
    box.SetConfirmText(updater_ui::DownloadFailedButtonText(language));
    box.RunModal();
  } catch (const std::exception& e) {
    ZM_ERROR << "failure box: " << e.what();
  }
  if (HWND window = link->window) ::SendMessageW(window, WM_QUIT, 0, 0);
}
