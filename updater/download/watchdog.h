#pragma once
// The stall guard of one attempt. It runs on the worker thread while the
// transfers run, and belongs to that attempt alone.

#include "updater/download/engine_settings.h"

class AttemptState;

// Returns when every transfer has ended, or after cutting the transfers off:
// when no chunk was written within startPolls polls of the start, or when a
// whole stall period passed without one. Cutting off closes the attempt's
// connections; the transfers then end by themselves.
void WatchTransfers(AttemptState& attempt, const download::WatchdogTiming& timing);
