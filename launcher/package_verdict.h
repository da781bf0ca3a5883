#pragma once
// What becomes of a package waiting beside the launcher, decided before it
// is applied. Checks of a package's origin belong here as well.

enum class PackageVerdict {
  Apply,     // try to apply it now
  Drop,      // not a package at all: delete it at once
  SetAside,  // failed too often: keep it as update.failed.zip, start the Client
  Reject,    // not signed by the publisher's key, or a release the installation must not
             // take: keep it as update.rejected.zip, start the Client
};

// Starts in a row that may fail to apply one package before it is set aside.
constexpr int kMaxFailedStarts = 3;

PackageVerdict DecidePendingPackage(bool isZipArchive, int failedStarts);
