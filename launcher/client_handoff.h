#pragma once
// The hand-off road: the URL text goes to the running Client over its pipe.
// Windows only.

#include "launcher/launch_command.h"

// The launcher's exit code: 1 when the pipe could not be opened, 0 in every
// other case: the message was written, there was no URL to send, the URL does
// not fit the hand-off buffer (refused with a log line, nothing sent), or the
// Client left the message unread for 5 s (the write is cancelled, logged).
int HandOffToClient(const launcher::LaunchRequest& request);
