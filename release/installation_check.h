#pragma once
// Installed files against a manifest: the check a delta makes of the files it
// does not carry before anything is swapped, and the full check that support
// runs on demand (zvkpublish check). Every file is read once, through a
// handle opened beneath the installation's: nothing is read through a
// symbolic link or junction. A `root` path ends in a separator.

#include <optional>
#include <string>
#include <vector>

#include "platform/folder.h"
#include "release/manifest.h"

namespace release {

struct FileDifference {
  std::string name;  // as the manifest lists it
  std::string what;  // "missing", "size 12 instead of 14", "content differs", ...
};

// The first file the delta keeps from its base (in name order) that is not
// in the tree exactly as listed; nullopt when all are.
std::optional<FileDifference> FirstChangedKeptFile(const platform::Folder& root, const Manifest& manifest);

struct InstallationReport {
  std::vector<FileDifference> differing;  // listed files missing or not as listed
  std::vector<std::string> unlisted;      // files of the tree the manifest does not list
};

// Every listed file, and every file of the tree outside the names reserved
// for the apply (temp\, the launcher's packages and the Client's own files
// show up as unlisted).
InstallationReport CheckInstallation(const std::wstring& root, const Manifest& manifest);

}  // namespace release
