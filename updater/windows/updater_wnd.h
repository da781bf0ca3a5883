#pragma once
// CUpdaterWnd: the small progress window of the updater. StartDownload
// creates and starts the download worker; a timer shows its progress every
// second; at the end the window offers the install button (normal mode) or
// installs by itself (forced mode). Whatever ends it (skip, close, install,
// Enter, Escape, Alt+F4, the failure box) posts WM_QUIT to its thread; the
// caller's message loop then ends and the caller destroys the object, which
// stops the worker.
//
// Main thread only, except the worker's callbacks, which touch only the
// small shared record below and windows of their own.

#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <functional>
#include <memory>

#include "updater/windows/zvk_wnd_base.h"
#include "updater/zip_conf.h"

class Downloader;

namespace SkinUI {
class CButtonUI;
class CHorizontalLayoutUI;
class CLabelUI;
class CProgressUI;
}  // namespace SkinUI

// Periods of the window. The program keeps the defaults; tests shorten them.
struct UpdaterWndTiming {
  UINT tickMs = 1000;           // progress timer
  DWORD retryPauseMs = 2000;    // the worker's pause after a failed attempt
  DWORD installDelayMs = 1000;  // forced mode: from the finished download to the install
};

class CUpdaterWnd : public CZvkWndBase {
 public:
  static constexpr const wchar_t* kClassName = L"zvk_updater_wnd_class_name";
  static constexpr UINT_PTR kProgressTimerId = 1121;
  static constexpr int kWidenedWidth = 360;

  // Makes the worker for a run; the program's makes a ZipDownloader.
  using WorkerFactory = std::function<boost::shared_ptr<Downloader>(const ZipConf&)>;

  // Creates the window at once (no owner, visible, icon 101).
  CUpdaterWnd();
  // Stops the timer and releases the worker (which stops it); a failure box
  // still up on the worker's thread no longer reaches this window.
  ~CUpdaterWnd() override;

  // Tests only, before StartDownload.
  void SetTiming(const UpdaterWndTiming& timing) { timing_ = timing; }
  void SetWorkerFactory(WorkerFactory factory) { factory_ = std::move(factory); }

  // Copies the config, creates and starts the worker and the progress timer.
  // Called once, before the window is shown.
  void StartDownload(const ZipConf& config);

  // The worker, for the caller's and the tests' eyes; empty before StartDownload.
  const boost::shared_ptr<Downloader>& worker() const { return worker_; }
  int retryCount() const;
  // The worker gave up after its last attempt (the failure box was shown).
  bool downloadFailed() const;
  // The install step ran (forced mode, or the install button).
  bool installStarted() const { return installing_; }

  void OnNotify(SkinUI::TSkinNotify& msg) override;

 protected:
  const wchar_t* WindowClassName() const override { return kClassName; }
  std::wstring SkinFileName() const override;
  void OnSkinLoaded() override;
  LRESULT HandleWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // What the worker's callbacks may touch; it outlives the window.
  struct WorkerLink;

  void OnProgressTimer();
  // `finished`: the worker's flag as read before the status copy.
  void ShowProgress(std::int64_t percent, bool finished);
  void OnFinished();
  void Install();
  static void OnRetry(const std::shared_ptr<WorkerLink>& link, unsigned count);
  static void OnDownloadFailed(const std::shared_ptr<WorkerLink>& link);

  ZipConf config_;
  UpdaterWndTiming timing_;
  WorkerFactory factory_;
  std::shared_ptr<WorkerLink> link_;
  boost::shared_ptr<Downloader> worker_;
  bool installing_ = false;

  SkinUI::CLabelUI* tipsLabel_ = nullptr;
  SkinUI::CButtonUI* closeButton_ = nullptr;
  SkinUI::CButtonUI* skipButton_ = nullptr;
  SkinUI::CHorizontalLayoutUI* buttonLayout_ = nullptr;
  SkinUI::CHorizontalLayoutUI* progressLayout_ = nullptr;
  SkinUI::CProgressUI* downloadProgress_ = nullptr;
};
