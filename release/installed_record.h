#pragma once
// The installation's record of its product and version: the manifest of the
// release last installed, kept under kInstalledRecordName in the
// installation folder and written by the apply as part of its commit.

#include <string>

#include "release/manifest.h"

namespace release {

enum class RecordState {
  Absent,   // never installed from a package with a manifest
  Present,  // `manifest` holds the installed release
  Damaged,  // there, but not a readable manifest (`problem` says why)
};

struct InstalledRelease {
  RecordState state = RecordState::Absent;
  Manifest manifest;
  std::string problem;
};

// Reads the record of the installation in `root` (ending in a separator).
InstalledRelease ReadInstalledRelease(const std::wstring& root);

// Reads a manifest file of at most kMaxManifestBytes; false with `error`
// when it cannot be read whole or is larger.
bool ReadManifestText(const std::wstring& path, std::string& text, std::string& error);

}  // namespace release
