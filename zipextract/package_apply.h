#pragma once
// Applies a whole package to a folder, all or nothing:
//   stage   every file entry is written to the work directory under the root
//           (exclusive names, CRC-32 checked, written through);
//   journal the list of targets is written through to disk;
//   swap    each old file is moved aside and its staged file moved in; a
//           failing move undoes every move before it, last first;
//   commit  the journal and the set-aside files are removed.
// A failure before the swap leaves the installation exactly as it was (the
// folders the staging created are removed again). An apply interrupted after
// its journal was written is finished or undone by the next apply to the same
// root, which recovers first.
//
// Entry names are refused (the package is not applied) when they are not
// valid UTF-8, leave the root, or pass through a link: no folder between the
// root and a target, and no target, may be a symbolic link, junction or other
// reparse point. The root itself may be reached through links.
//
// A package with a release manifest (release/manifest.h) is applied only
// when its release fits the installation's record (package_release.h): every
// file entry must be one the manifest lists, with its size and SHA-256; the
// files the installed release lists and the new one does not are removed
// within the same swap (first, so that a name differing only in letter case
// is replaced, not removed); the manifest becomes the installation's record,
// swapped in last. A package without a manifest is applied as it stands,
// unless the installation has a record. A record that is there but damaged
// refuses every package; one that cannot be read now fails the apply
// (ZipErrRead), so that the package is kept for a later try.

#include <cstddef>
#include <functional>
#include <string>

#include "platform/file_system.h"
#include "zipextract/staging_area.h"
#include "zipextract/zip_result.h"

// How the staged data reaches the disk before the journal says it is there.
enum class FlushMode {
  Automatic,  // one flush of the volume when it can be opened, else PerFile
  PerFile,    // each staged file is written through before it is closed
  Volume,     // one flush of the whole volume (fails the apply when unavailable)
  None,       // nothing flushed: for measuring only
};

// Points at which tests can simulate a crash or a failing move.
enum class ApplyStep { Staged, JournalWritten, Swapping, Swapped };
enum class HookAction { Continue, Abandon, FailMove };
using ApplyHook = std::function<HookAction(ApplyStep step, std::size_t record)>;

struct ApplyOptions {
  FlushMode flush = FlushMode::Automatic;
  RandomSource random;  // the system's random source when empty
  ApplyHook hook;       // none in production
};

struct ApplyOutcome {
  ZipResult result = ZipOk;  // ZipOk only when the whole package was applied
  std::string detail;        // what failed, or what recovery did, for a log line
  bool abandoned = false;    // a hook abandoned the apply part-way
  // The release does not fit the installation (ZipErrRelease): trying again
  // will not help, nothing was changed.
  bool refused = false;
  // The installed version again (result ZipOk): nothing was changed.
  bool alreadyInstalled = false;
};

// Both hold the folder's lock while they run (another apply to the same folder
// waits up to 30 s, then fails) and finish or undo an interrupted apply first.
//
// The package is an archive the caller opened once and checked (its length,
// digest or signature) through that same handle, and keeps open: whatever
// else is read from it for the apply is read here, from that handle.
ApplyOutcome ApplyPackage(platform::File& package, const std::wstring& root,
                          const ApplyOptions& options = {});
// The same for a package named by its path, opened here once (a link at its
// name is refused) and read only through that handle.
ApplyOutcome ApplyPackage(const std::wstring& archivePath, const std::wstring& root,
                          const ApplyOptions& options = {});

// Only the recovery: result ZipOk unless an interrupted apply could be neither
// finished nor undone; detail says what was done (empty when nothing was).
ApplyOutcome RecoverInterruptedApply(const std::wstring& root);
