#pragma once
// The updater's download worker: a Downloader that carries the run's
// configuration and installs the package once it is downloaded.
//
// The updater window creates it in StartDownload (held by boost::shared_ptr,
// the window being the only owner), sets the callbacks, starts it, and calls
// DoInstall on the main thread once `finished` is set. After the download the
// worker asks whether the installation can take the package, and fetches the
// full package instead of a delta that does not fit (package_fallback.h).

#include <memory>

#include "updater/download/downloader.h"
#include "updater/install_step.h"
#include "updater/package_fallback.h"
#include "updater/zip_conf.h"

class ZipDownloader : public Downloader {
 public:
  explicit ZipDownloader(const ZipConf& conf);
  // Tests shorten the install step's pauses and limits.
  ZipDownloader(const ZipConf& conf, const InstallTimings& timings);
  ~ZipDownloader() override;

  // Stops the Client, unpacks the package in forced mode (for at most 60 s),
  // shows the launch window modally and starts the launcher with
  // `pagecallparam`. Main thread only; blocks while its windows are up.
  void DoInstall() override;

  const ZipConf& config() const { return conf_; }
  // How the last DoInstall's unpack went (NotUnpacked before any).
  InstallOutcome lastOutcome() const { return lastOutcome_; }

 private:
  ZipConf conf_;
  InstallTimings timings_;
  // Which package update.zip holds: written by the worker's check before
  // `finished` is set, read by DoInstall after it was seen.
  std::shared_ptr<DownloadedPackage> downloaded_;
  InstallOutcome lastOutcome_ = InstallOutcome::NotUnpacked;
};
