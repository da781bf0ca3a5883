#pragma once
// The hand-off road: the URL text goes to the running Client over its pipe.
// Windows only.

#include "launcher/launch_command.h"

// The launcher's exit code: 0 when the message was written or there was no
// URL to send, 1 when the pipe could not be opened or the URL does not fit
// the hand-off buffer (nothing is sent then).
int HandOffToClient(const launcher::LaunchRequest& request);
