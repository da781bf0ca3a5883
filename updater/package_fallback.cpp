#include "updater/package_fallback.h"

#include "logging/n_log.h"
#include "updater/verified_package.h"
#include "zipextract/package_release.h"

DownloadedPackage PackageNamedBy(const release::FullPackageRef& full) {
  return DownloadedPackage{full.md5, static_cast<std::int64_t>(full.size), full.sha256};
}

PackageFollowUp FollowUpFor(const ReleaseFit& fit, bool fetchedInstead, bool forced) {
  PackageFollowUp followUp;
  if (fit.verdict != release::ReleaseVerdict::Refused) return followUp;
  if (!fetchedInstead && fit.fullPackageMayFit && fit.fullPackage) {
    ZM_WARN << "the downloaded delta does not fit this installation: " << fit.reason
            << "; downloading the full package " << fit.fullPackage->url;
    followUp.step = PackageFollowUp::Step::FetchInstead;
    followUp.instead = *fit.fullPackage;
    return followUp;
  }
  if (!fetchedInstead && !fit.fullPackageMayFit) {
    // Another product, an older version, no manifest: the install refuses it
    // and sets it aside, as for a package that was never a delta.
    ZM_WARN << "the installation will refuse the downloaded package: " << fit.reason;
    return followUp;
  }
  if (fetchedInstead)
    ZM_ERROR << "the full package does not fit this installation either: " << fit.reason;
  else
    ZM_ERROR << "the downloaded delta does not fit this installation and names no full package: "
             << fit.reason;
  // The forced install refuses it in turn, shows the failure box and still
  // restarts the Client it stopped; in normal mode nothing is offered.
  if (!forced) followUp.step = PackageFollowUp::Step::Refuse;
  return followUp;
}

PackageFollowUp CheckDownloadedPackage(const ZipConf& conf, const DownloadedPackage& expected,
                                       bool fetchedInstead) {
  std::string why;
  platform::File package = OpenVerifiedPackage(conf.zipPath, expected.md5, expected.length, why,
                                               expected.sha256 ? &*expected.sha256 : nullptr);
  if (!package.isOpen()) {
    ZM_ERROR << "the downloaded package cannot be judged: " << why;
    return PackageFollowUp{};
  }
  const ReleaseFit fit = JudgePackageForInstallation(package, WideFromPath(conf.clientDic));
  return FollowUpFor(fit, fetchedInstead, conf.forcedupdate != 0);
}
