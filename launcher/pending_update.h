#pragma once
// The launcher's pending-update step, run on every normal start after the URL
// registration: finish or undo an update that a kill or power cut
// interrupted, clear the updater's leftovers in temp\, and apply a package
// that an earlier run downloaded but did not install. Every path is wide.

#include <string>

// The launcher's own directory ending in a backslash; false when the module
// path cannot be read.
bool GetExeDirW(std::wstring& directory);

// Finishes or undoes an interrupted apply in the working directory. Runs
// before anything else of the start road touches the installation.
void RecoverPendingUpdate();

// Removes temp\Updater.exe and the download files, and moves temp\update.zip
// next to the launcher. No result; failures are logged.
void PreparePendingUpdate();

enum class PendingUpdateResult { None, Installed, Kept, SetAside, Rejected, Deleted };

// What the result means, in a few words for the log.
const char* DescribePendingUpdateResult(PendingUpdateResult result);

// Applies update.zip from the working directory to the working directory,
// all or nothing. An applied package is deleted; one that was not applied is
// kept for the next start, and set aside as update.failed.zip after failing
// three starts in a row; a file that is not a zip archive is deleted at once.
// Failures are logged; the result says which of these happened.
PendingUpdateResult ExtractPendingUpdate();
