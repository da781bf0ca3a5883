#pragma once
// The release manifests the tool writes into packages: a full release of a
// folder, or a delta from an earlier release (a package with a manifest, a
// manifest file, or that version's folder).

#include <filesystem>
#include <string>
#include <vector>

#include "publisher/folder_scan.h"
#include "release/manifest.h"

namespace publisher {

// Every file of the scanned folder with its size and SHA-256, all carried.
std::vector<release::ReleaseFile> DigestFiles(const std::vector<PackageEntry>& entries);

// The release a delta starts from. `since` is a package with a release
// manifest, a manifest file, or a folder; for a folder, `folderVersion` is
// its version (required) and `product` its product. Throws
// std::runtime_error naming the file and the reason.
release::Manifest LoadBaseRelease(const std::filesystem::path& since, const std::string& folderVersion,
                                  const std::string& product);

// A full release of the given files. Throws on a product name or version
// the manifest cannot hold.
release::Manifest FullRelease(const std::string& product, const std::string& version,
                              std::vector<release::ReleaseFile> files);

// The delta from `base` to `files`: a file is carried when it is new or its
// size or digest changed, kept otherwise; the base's files that are gone
// are removed. Names are matched letter case aside, as Windows matches them. Throws when the version is not above the base's, or the
// product is not the base's.
release::Manifest DeltaRelease(const release::Manifest& full, const release::Manifest& base);

// The entries a package of `manifest` holds: its carried files and every
// empty folder, with the manifest entry first (written to `manifestFile`).
std::vector<PackageEntry> ReleaseEntries(const std::vector<PackageEntry>& entries,
                                         const release::Manifest& manifest,
                                         const std::filesystem::path& manifestFile);

}  // namespace publisher
