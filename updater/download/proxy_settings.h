#pragma once
// Reads the system's proxy settings for one attempt. On Windows these are the
// current user's Internet settings as WinHTTP resolves them (a fixed proxy
// with its bypass list, automatic detection, a configuration script); on
// other systems curl's environment variables (http_proxy, https_proxy,
// all_proxy, no_proxy). Read anew at every call, on the worker thread; may
// block while a configuration script is fetched (bounded by time limits).

#include <string>

#include "updater/download/proxy_route.h"
#include "updater/download/server_address.h"

// The route to target (requestPath is the package's, which a configuration
// script sees for plain HTTP); a failure when the settings name a
// configuration script that cannot be fetched or evaluated, or a proxy that
// does not parse.
RouteDecision FindProxyRoute(const ServerAddress& target, const std::string& requestPath);
