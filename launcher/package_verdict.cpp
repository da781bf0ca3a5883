#include "launcher/package_verdict.h"

PackageVerdict DecidePendingPackage(bool isZipArchive, int failedStarts) {
  if (!isZipArchive) return PackageVerdict::Drop;
  return failedStarts >= kMaxFailedStarts ? PackageVerdict::SetAside : PackageVerdict::Apply;
}
