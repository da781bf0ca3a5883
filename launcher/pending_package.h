#pragma once
// The launcher's pending package, between temp\ and the installation. The
// launcher runs elevated and temp\ is the user's: everything there is opened
// without following links, checked through its handle, and read, copied and
// removed through that handle (platform/folder.h). So are the installation's
// own pending files beside the launcher (update.zip, update.tries, the names
// a package is set aside under).
//
// Whatever is not what it should be (a link, a folder, a file with other
// names, one that leads out of its folder) is left alone with an ERROR line.

#include <functional>
#include <string>

#include "platform/folder.h"

// Where the step has checked something and is about to use it.
enum class PendingPoint {
  TempChecked,      // temp\ is open and checked; its leftovers follow
  DownloadChecked,  // temp\update.zip is open and checked; its copy follows
  PackageChecked,   // update.zip beside the launcher is open and checked; its apply follows
};

struct PendingUpdateOptions {
  // Whether temp\ may hand its package to the installation. When empty: in
  // builds with a publisher key always (the signature decides later), in
  // builds without one only when only administrators can write temp\ and
  // the package itself.
  std::function<bool(const platform::Folder& temp, const platform::File& package)> tempTrusted;
  // Called at each point; tests pause there to change what was checked. None
  // in production.
  std::function<void(PendingPoint point)> pause;
};

// What became of a pending package at this start.
enum class PendingUpdateResult { None, Installed, AlreadyInstalled, Kept, SetAside, Rejected, Deleted };

// `directory` is the launcher's folder, ending in a separator.
// Removes the updater's leftovers from temp\ and moves temp\update.zip next
// to the launcher as update.zip (replacing an older one). Failures are logged.
void PreparePendingPackage(const std::wstring& directory, const PendingUpdateOptions& options = {});

// Applies update.zip beside the launcher to the launcher's folder, all or
// nothing, from the one handle its checks were made on. Applied: removed.
// Busy (another program holds it): kept, and the start is not counted. Not
// applied, or not readable (a read error): kept, and set aside as
// update.failed.zip after three such starts in a row.
// Refused by its signature, or a release the installation must not take
// (another product, not newer, a delta for another base or over a changed
// file, no manifest once the installation has a release record): set aside as
// update.rejected.zip at once. Its version installed already: removed. Not a
// zip archive: deleted. Failures are logged; the result says which of these
// happened (None: no package, or the folder could not be opened).
PendingUpdateResult ApplyPendingPackage(const std::wstring& directory,
                                        const PendingUpdateOptions& options = {});
