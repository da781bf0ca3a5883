#pragma once
// What `verify` checks of a package's release manifest: it reads as the
// apply reads it, and the package holds exactly the files it lists as
// carried, each with its size and SHA-256.

#include <filesystem>
#include <string>
#include <vector>

#include "release/manifest.h"

namespace publisher {

struct ReleaseReport {
  bool hasManifest = false;
  release::Manifest manifest;
  std::string text;                   // the manifest as stored
  std::vector<std::string> problems;  // each names the entry and the reason
};

ReleaseReport InspectRelease(const std::filesystem::path& package);

// One line: product, version, kind, counts, and the named full package.
std::string DescribeRelease(const release::Manifest& manifest);

}  // namespace publisher
