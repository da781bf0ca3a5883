#pragma once
// The route of one attempt, looked up on a thread of its own. Reading the
// system's settings may block for long (a configuration script on a slow
// server, automatic detection on a network without it) in a call that cannot
// be broken off: the attempt waits for it at most the engine's route limit,
// and not at all once it is stopped. The lookup's thread then ends by itself,
// touching only what it shares by ownership; at most one lookup is under way.

#include <memory>
#include <string>

#include "updater/download/attempt_state.h"
#include "updater/download/proxy_route.h"
#include "updater/download/server_address.h"

// The decision of the settings for target; a failure when they gave none in
// time, or when attempt was stopped (the caller sees that and says nothing).
RouteDecision LookUpRoute(const ServerAddress& target, const std::string& requestPath,
                          const std::shared_ptr<AttemptState>& attempt);
