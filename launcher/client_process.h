#pragma once
// The running Client: detection with the restart question, and termination by
// process image name. Windows only.

#include <string>

// Only processes in the launcher's own session count: the Clients of other
// users on the same computer are neither asked about nor terminated.

// True when the launcher should take the start road: no Client runs, the
// process list is unavailable, or the user agreed to restart (the running
// Clients have then been terminated). False when the user declined.
bool CheckRunningClient();

// Terminates, with exit code 0, every process of the launcher's session whose
// image name equals imageName exactly (case-sensitive). Processes that cannot
// be opened are skipped; the wait for them to end is bounded.
void KillProcessByName(const std::wstring& imageName);
