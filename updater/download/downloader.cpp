#include "updater/download/downloader.h"

#include <boost/make_shared.hpp>
#include <filesystem>

#include "updater/download/engine_settings.h"
#include "updater/download/package_url.h"

// What the worker thread works on; shared with the thread so that it
// outlives the Downloader while the thread still runs.
struct Downloader::WorkerState {
  std::string host;         // rewritten by a redirection
  std::string requestPath;  // rewritten by a redirection
  DownloadStatus status;
  std::atomic<std::uint8_t> finished{0};
};

namespace {

struct Callbacks {
  boost::function<void(unsigned int)> retry;
  boost::function<void()> fail;
  boost::function<PackageFollowUp(const release::FullPackageRef*)> check;
  boost::function<void()> restart;
};

enum class LoopEnd { Downloaded, GaveUp, Stopped };

// The attempt loop for one package. Returns early, calling nothing, once
// the owner is gone.
LoopEnd RunAttempts(const std::shared_ptr<DownloadSession>& session, std::string& host,
                    std::string& requestPath, DownloadStatus& status, const Callbacks& callbacks,
                    const release::FullPackageRef* named) {
  unsigned attempt = 0;
  int redirectsInARow = 0;
  while (attempt < Downloader::kMaxAttempts) {
    const int result = CHttpDownload::RunAttempt(*session, host, requestPath, status, named);
    if (result == CHttpDownload::kStopped || session->Stopped()) return LoopEnd::Stopped;
    if (result > 0) return LoopEnd::Downloaded;
    if (result == CHttpDownload::kRedirected) {
      if (++redirectsInARow <= Downloader::kMaxRedirectsInARow) continue;
    } else {
      redirectsInARow = 0;
    }
    if (callbacks.retry) callbacks.retry(attempt);
    ++attempt;
    if (session->Stopped()) return LoopEnd::Stopped;
  }
  return LoopEnd::GaveUp;
}

// The run's package, then at most one package fetched in its place.
void RunDownloads(const std::shared_ptr<DownloadSession>& session, std::string& host,
                  std::string& requestPath, DownloadStatus& status, std::atomic<std::uint8_t>& finished,
                  const Callbacks& callbacks) {
  LoopEnd end = RunAttempts(session, host, requestPath, status, callbacks, nullptr);
  PackageFollowUp followUp;
  if (end == LoopEnd::Downloaded && callbacks.check) followUp = callbacks.check(nullptr);
  if (end == LoopEnd::Downloaded && followUp.step == PackageFollowUp::Step::FetchInstead) {
    download::PackageUrl url;
    if (!download::ParsePackageUrl(followUp.instead.url, url)) {
      followUp.step = PackageFollowUp::Step::Refuse;
    } else {
      // The package it replaces is never installed.
      std::error_code ignored;
      std::filesystem::remove(download::UpdaterFile("update.zip"), ignored);
      host = (url.scheme == "https" ? "https://" : "") + url.authority;
      requestPath = url.path;
      status.downloadedSize = 0;
      status.totalSize = 0;
      if (callbacks.restart) callbacks.restart();
      end = RunAttempts(session, host, requestPath, status, callbacks, &followUp.instead);
      if (end == LoopEnd::Downloaded) followUp.step = callbacks.check(&followUp.instead).step;
      if (followUp.step == PackageFollowUp::Step::FetchInstead) followUp.step = PackageFollowUp::Step::Refuse;
    }
  }
  if (end == LoopEnd::Stopped || session->Stopped()) return;
  if (end == LoopEnd::Downloaded && followUp.step == PackageFollowUp::Step::Keep) {
    finished = 1;
    return;
  }
  if (callbacks.fail) callbacks.fail();
}

}  // namespace

Downloader::Downloader(const std::string& url, const std::string& zipMd5, const std::string& host,
                       const std::string& requestPath, bool forced)
    : state_(std::make_shared<WorkerState>()),
      url(url),
      md5(zipMd5),
      forced(forced),
      status(state_->status),
      finished(state_->finished),
      rangedDownload(boost::make_shared<CHttpDownload>()) {
  state_->host = host;
  state_->requestPath = requestPath;
  state_->status.expectedMd5 = zipMd5;
  state_->status.tdPath = download::UpdaterFile("update.td");
}

Downloader::~Downloader() {
  // Closes the running attempt's connections; the thread sees the stop and
  // ends without calling back.
  rangedDownload.reset();
}

ThreadBase::ThreadBody Downloader::PrepareRun() {
  std::shared_ptr<WorkerState> state = state_;
  std::shared_ptr<DownloadSession> session = rangedDownload->session();
  Callbacks callbacks{retryCallback, failCallback, packageCheck, restartCallback};
  boost::function<void()> shutdown = forced ? clientShutdown : boost::function<void()>();
  return [state, session, callbacks, shutdown] {
    engine_threads::Scope running;
    std::error_code ignored;
    std::filesystem::remove(download::UpdaterFile("update.zip"), ignored);
    if (shutdown && !session->Stopped()) shutdown();
    RunDownloads(session, state->host, state->requestPath, state->status, state->finished, callbacks);
  };
}
