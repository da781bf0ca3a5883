#pragma once
// The launcher's pending-update step, run on every normal start after the URL
// registration: clear the updater's leftovers in temp\ and install a package
// that an earlier run downloaded but did not install.

#include <string>

// The launcher's own directory as a narrow string ending in a backslash.
// Returns false when the module path cannot be read.
bool GetExeDirA(std::string& directory);

// Removes temp\Updater.exe and the download files, and moves temp\update.zip
// next to the launcher. No result; failures are logged.
void PreparePendingUpdate();

// Unpacks update.zip from the working directory into the working directory and
// deletes it. No result; failures are logged.
void ExtractPendingUpdate();
