#pragma once
// Whether a package's release may be installed over what an installation
// has, decided from the two manifests alone (the package's, and the
// installation's record). The files of the tree are checked separately
// (installation_check.h), and only once this says Install.

#include <string>
#include <vector>

#include "release/installed_record.h"
#include "release/manifest.h"

namespace release {

enum class ReleaseVerdict {
  Unversioned,       // no manifest and no record: a plain package, applied as ever
  Install,           // may be installed (a delta's kept files still to be checked)
  AlreadyInstalled,  // the installed version again: nothing changes
  Refused,           // another product, an older version, a delta for another
                     // base, a file turned into a folder or the reverse, no
                     // manifest on an installation that has a record, or a
                     // damaged record
  NotNow,            // the installation's record cannot be read now: ask again later
};

struct ReleasePlan {
  ReleaseVerdict verdict = ReleaseVerdict::Unversioned;
  std::string reason;  // for a log line, when not Install or Unversioned
  // Refused only because the installation is not at the delta's base: the
  // full package of the same version may still be installed.
  bool fullPackageMayFit = false;
  // Files the installed release lists and the new one does not, names
  // compared as Windows compares them (Install only).
  std::vector<std::string> removals;
};

// `incoming` is the package's manifest, nullptr when it has none.
ReleasePlan PlanRelease(const Manifest* incoming, const InstalledRelease& installed);

}  // namespace release
