#pragma once
// The download worker: up to ten counted attempts on a thread of its own,
// a retry callback after each failed one, a failure callback after the last,
// and the finished flag on success. The updater window owns it through
// boost::shared_ptr, sets the callbacks, starts it and polls status and
// finished; ZipDownloader derives from it and adds DoInstall.
//
// Destroying the worker stops it at once without waiting: the connections of
// a running attempt are closed, and its segment files stay on disk for the
// next run. No callback starts once the stop has been seen, but one that the
// worker's thread was just entering may still run, and a callback that is
// already running (a modal box, say) is not waited for: callbacks must touch
// only state that outlives the worker. Either way the thread then ends
// without touching this object.

#include <atomic>
#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <memory>
#include <string>

#include "release/manifest.h"
#include "updater/download/download_status.h"
#include "updater/download/http_download.h"
#include "updater/download/thread_base.h"

// What the worker does with a package that passed its checks.
struct PackageFollowUp {
  enum class Step {
    Keep,          // finished: the package stays for the install
    FetchInstead,  // download `instead` in its place, with its own ten attempts
    Refuse,        // the failure callback, as after the last failed attempt
  };
  Step step = Step::Keep;
  release::FullPackageRef instead;
};

class Downloader : public ThreadBase {
  // First, so that the references below can be bound to it.
  struct WorkerState;
  std::shared_ptr<WorkerState> state_;

 public:
  // Counted attempts of one run; redirections in a row that are followed
  // before a further one counts as a failed attempt.
  static constexpr unsigned kMaxAttempts = 10;
  static constexpr int kMaxRedirectsInARow = 10;

  Downloader(const std::string& url, const std::string& zipMd5, const std::string& host,
             const std::string& requestPath, bool forced);
  ~Downloader() override;

  virtual void DoInstall() = 0;

  // Set these before Start; they run on the worker thread.
  // Number of the attempt that just failed, from 0.
  boost::function<void(unsigned int)> retryCallback;
  // After the last counted attempt failed.
  boost::function<void()> failCallback;
  // In forced mode, before the first request: stops the Client and waits.
  boost::function<void()> clientShutdown;
  // Once a package is in place (update.zip), before `finished` is set: what
  // to do with it. `fetchedInstead` is the package fetched in place of the
  // run's own, null for the run's own. A package fetched instead is never
  // followed by another: a second FetchInstead counts as Refuse. Empty:
  // every package is kept.
  boost::function<PackageFollowUp(const release::FullPackageRef* fetchedInstead)> packageCheck;
  // A package fetched instead starts downloading: the progress starts again
  // from 0 and its failed attempts are counted from 0.
  boost::function<void()> restartCallback;

  const std::string url;
  const std::string md5;
  const bool forced;
  // Read by the window without a lock: copy status, poll finished.
  const DownloadStatus& status;
  const std::atomic<std::uint8_t>& finished;

 protected:
  ThreadBody PrepareRun() override;

 private:
  boost::shared_ptr<CHttpDownload> rangedDownload;
};
