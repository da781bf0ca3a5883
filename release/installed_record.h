#pragma once
// The installation's record of its product and version: the manifest of the
// release last installed, kept under kInstalledRecordName in the
// installation folder and written by the apply as part of its commit.
//
// Programs that are not administrators may have put links or other things in
// the installation, so the record is opened beneath the folder's handle and
// never through a link. A record that is there but cannot be taken at its
// word is never read as no record: that would let any package install.

#include <string>

#include "platform/folder.h"
#include "release/manifest.h"

namespace release {

enum class RecordState {
  Absent,      // never installed from a package with a manifest
  Present,     // `manifest` holds the installed release
  Damaged,     // there, but not a plain file holding a valid manifest (`problem` says why)
  Unreadable,  // cannot be read now (in use, access refused, a read error): may work later
};

struct InstalledRelease {
  RecordState state = RecordState::Absent;
  Manifest manifest;
  std::string problem;
};

// Reads the record of the installation whose folder is open as `root`.
InstalledRelease ReadInstalledRelease(const platform::Folder& root);
// The same for a folder named by its path (ending in a separator), which
// may be reached through links; a folder that is there but cannot be opened
// leaves the record Unreadable.
InstalledRelease ReadInstalledRelease(const std::wstring& root);

// Reads an open manifest file whole; false with `error` when it cannot be
// read or holds more than kMaxManifestBytes (`tooLarge` says which).
bool ReadManifestFile(platform::File& file, std::string& text, std::string& error, bool* tooLarge = nullptr);
// The same for a file named by its path.
bool ReadManifestText(const std::wstring& path, std::string& text, std::string& error);

}  // namespace release
