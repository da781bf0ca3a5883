#pragma once
// The updater's question after its download: can this installation take the
// package? A delta it cannot take (another base installed, a kept file
// changed) is replaced by the full package of the same version that the
// delta's signed manifest names, at most once per run. When that cannot
// help (the delta names no full package, or the full package does not fit
// either) the forced install refuses the package with its failure box; in
// normal mode the download ends with the failure box instead of offering to
// install it. Other refusals are left to the install as they always were.

#include <cstdint>
#include <optional>
#include <string>

#include "release/sha256.h"
#include "updater/download/downloader.h"
#include "updater/zip_conf.h"

struct ReleaseFit;

// The package the worker left in update.zip, as the install checks it again
// when it opens it: the command line's MD5, or what the delta's manifest
// names for the full package fetched in its place.
struct DownloadedPackage {
  std::string md5;
  std::int64_t length = 0;                // 0: the length the probe gave
  std::optional<release::Digest> sha256;  // the full package only
};

DownloadedPackage PackageNamedBy(const release::FullPackageRef& full);

// What the worker does with a package judged so; logs why at WARN (a fall
// back to the full package, a refusal left to the install) or ERROR (a
// fall back that cannot help).
PackageFollowUp FollowUpFor(const ReleaseFit& fit, bool fetchedInstead, bool forced);

// Opens update.zip once, checks it as `expected` says (and its signature in
// keyed builds), judges it against the installation through that handle and
// says what follows. A package that cannot be opened or fails its checks is
// kept: the install refuses it with its own ERROR line. Worker thread; reads
// the installation, writes nothing.
PackageFollowUp CheckDownloadedPackage(const ZipConf& conf, const DownloadedPackage& expected,
                                       bool fetchedInstead);
