#pragma once
// The launcher's pending-update step, run on every normal start after the URL
// registration: finish or undo an update that a kill or power cut
// interrupted, clear the updater's leftovers in temp\, and apply a package
// that an earlier run downloaded but did not install. Every path is wide.

#include <string>

#include "launcher/pending_package.h"

// The launcher's own directory ending in a backslash; false when the module
// path cannot be read.
bool GetExeDirW(std::wstring& directory);

// Finishes or undoes an interrupted apply in the launcher's directory. Runs
// before anything else of the start road touches the installation.
void RecoverPendingUpdate();

// Removes temp\Updater.exe and the download files, and moves temp\update.zip
// next to the launcher (see pending_package.h). No result; failures are logged.
void PreparePendingUpdate();

// What the result means, in a few words for the log.
const char* DescribePendingUpdateResult(PendingUpdateResult result);

// Applies update.zip beside the launcher to the launcher's directory (never
// the working directory, whatever it is), all or nothing (see
// ApplyPendingPackage). Failures are logged; the result says what became of
// the package.
PendingUpdateResult ExtractPendingUpdate();
