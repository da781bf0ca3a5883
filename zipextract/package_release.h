#pragma once
// A package's release manifest, read from the same open archive that is then
// applied, and whether an installation can take that release. The apply
// decides with these; the updater asks the same question after its download
// (JudgePackageForInstallation) to fall back from a delta to the full package.

#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "release/manifest.h"
#include "release/release_plan.h"
#include "zipextract/zip_result.h"

class ZipReader;

struct PackageRelease {
  std::optional<release::Manifest> manifest;  // none: a package without a manifest
  std::string text;                           // the manifest entry's bytes
  int entryIndex = -1;                        // its index in the archive
};

// Finds the entry named exactly kManifestEntryName in an open archive and
// reads it. ZipOk without a manifest when there is no such entry.
// ZipErrRelease with `error` when the entry is there twice, is larger than
// kMaxManifestBytes or is not a valid manifest: such a package is refused,
// never applied as one without a manifest. The reader's own result when the
// archive cannot be read.
ZipResult ReadPackageRelease(ZipReader& reader, PackageRelease& release, std::string& error);

struct ReleaseFit {
  release::ReleaseVerdict verdict = release::ReleaseVerdict::Unversioned;
  // Refused, NotNow or AlreadyInstalled: why, for a log line (a delta names the
  // first installed file that differs from its manifest).
  std::string reason;
  // Refused because the installation is not at the delta's base or one of its
  // files differs: the full package of the same version may still fit.
  bool fullPackageMayFit = false;
  // What the delta's manifest names as its full package, when it does.
  std::optional<release::FullPackageRef> fullPackage;
  // Install: files of the installed release that the new one no longer has.
  std::vector<std::string> removals;
};

// Judges the release against the installation in `root` (ending in a
// separator): its record, and for a delta every file it keeps from its base
// (read whole, once each) when `checkKeptFiles`.
ReleaseFit JudgeRelease(const PackageRelease& release, const std::wstring& root, bool checkKeptFiles);

// For the updater, after its download: opens the package, reads its
// manifest and judges it as the apply will (kept files included). A package
// that cannot be read, or whose manifest is broken, is Refused without a
// full package to fall back to. Reads the installation; writes nothing.
ReleaseFit JudgePackageForInstallation(const std::wstring& packagePath, const std::wstring& installFolder);
// The same through a package the caller opened (and checked) and keeps open;
// it is read from its start, its position is not kept.
ReleaseFit JudgePackageForInstallation(platform::File& package, const std::wstring& installFolder);
