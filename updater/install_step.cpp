#include "updater/install_step.h"

#include "logging/n_log.h"
#include "platform/string_convert.h"

namespace {

// Stops the Client pass by pass; false when it still runs after the last pass.
bool StopClient(const InstallServices& services, const InstallTimings& timings) {
  for (int pass = 0; pass < timings.maxClientPasses; ++pass) {
    if (services.findClient() == 0) return true;
    ZM_INFO << "Wex is running";
    services.killClientAndWait();
    services.sleep(timings.clientPassPauseMs);
  }
  if (services.findClient() == 0) return true;
  ZM_ERROR << "the Client is still running after " << timings.maxClientPasses << " attempts to stop it";
  return false;
}

std::string PathText(const std::filesystem::path& path) { return WideToAnsi(WideFromPath(path)); }

void LogInstallFailure(const char* headline, const ZipInstaller& installer) {
  ZM_ERROR << headline;
  ZM_ERROR << "zipName: " << PathText(installer.packagePath());
  ZM_ERROR << "folder: " << PathText(installer.targetFolder());
}

// Retries until the unpack has run or the time limit has passed.
InstallOutcome UnpackWithRetries(ZipInstaller& installer, const InstallServices& services,
                                 const InstallTimings& timings) {
  const std::uint32_t start = services.tickCount();
  for (;;) {
    if (installer.TryInstall()) {
      if (installer.lastExtractResult() == 0) return InstallOutcome::Installed;
      // A package that is not what was downloaded is installed by nobody.
      const bool refused = installer.lastExtractResult() == ZipInstaller::kPackageRefused;
      // An apply changes nothing unless it changes everything, and the package
      // stays in temp\ for the launcher, which runs with administrator rights:
      // a user who may not write the installation is not told it failed.
      if (!refused && services.mayWriteFolder && !services.mayWriteFolder(installer.targetFolder())) {
        ZM_WARN
            << "the installation folder is not writable for the updater, the launcher applies the package: "
            << PathText(installer.targetFolder());
        return InstallOutcome::LeftToLauncher;
      }
      LogInstallFailure("update install failed: not every entry was written", installer);
      ZM_ERROR << "extraction result: " << installer.lastExtractResult();
      // Not retried: an archive that cannot be unpacked now will not unpack
      // in two seconds either. The user must not be told the update worked.
      services.showInstallFailure();
      return InstallOutcome::ExtractFailed;
    }
    if (services.tickCount() - start > timings.installLimitMs) {
      LogInstallFailure("update install failed", installer);
      services.showInstallFailure();
      return InstallOutcome::TimedOut;
    }
    services.sleep(timings.retryPauseMs);
  }
}

}  // namespace

const char* DescribeInstallOutcome(InstallOutcome outcome) {
  switch (outcome) {
    case InstallOutcome::NotUnpacked:
      return "the launcher installs it";
    case InstallOutcome::Installed:
      return "installed";
    case InstallOutcome::ExtractFailed:
      return "install failed: not every entry was written";
    case InstallOutcome::LeftToLauncher:
      return "left to the launcher: the installation folder is not writable";
    case InstallOutcome::TimedOut:
      return "install failed: the installation folder could not be made in time";
    case InstallOutcome::ClientStillRunning:
      return "install skipped: the Client is still running";
  }
  return "install outcome unknown";
}

InstallOutcome RunInstallStep(const ZipConf& conf, const InstallServices& services,
                              const InstallTimings& timings) {
  const bool clientStopped = StopClient(services, timings);
  ZipInstaller installer(conf.zipPath, conf.clientDic, services.openPackage, services.extract,
                         timings.extractPauseMs, services.sleep);

  InstallOutcome outcome = InstallOutcome::NotUnpacked;
  if (conf.forcedupdate != 0) {
    if (clientStopped) {
      outcome = UnpackWithRetries(installer, services, timings);
    } else {
      // Unpacking over a running Client would leave a mix of old and new files.
      LogInstallFailure("update install skipped", installer);
      services.showInstallFailure();
      outcome = InstallOutcome::ClientStillRunning;
    }
  }
  if (outcome == InstallOutcome::Installed || outcome == InstallOutcome::NotUnpacked)
    ZM_INFO << "install success";

  if (conf.launchAfterInstall) {
    services.sleep(timings.launchPauseMs);
    services.runLaunchWindow(
        [&services, &conf] { services.startLauncher(WideFromPath(conf.clientExePath), conf.pagecallparam); });
  }
  return outcome;
}
