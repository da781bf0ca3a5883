// curl's environment variables: "<scheme>_proxy" (for http only in lower
// case, since a CGI server sets HTTP_PROXY from a request's Proxy header),
// then all_proxy; no_proxy names the hosts reached directly. A value without
// a port means port 1080, curl's default.
#include <cstdlib>

#include "updater/download/proxy_settings.h"

namespace {

struct Setting {
  std::string name;
  std::string value;
};

// The first of the variables that is set and not empty.
Setting FirstSet(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return {name, value};
  }
  return {};
}

}  // namespace

RouteDecision FindProxyRoute(const ServerAddress& target, const std::string&) {
  RouteDecision decision;
  Setting proxy = target.secure ? FirstSet({"https_proxy", "HTTPS_PROXY"}) : FirstSet({"http_proxy"});
  if (proxy.name.empty()) proxy = FirstSet({"all_proxy", "ALL_PROXY"});
  if (proxy.name.empty()) {
    decision.route.source = "no proxy configured";
    return decision;
  }
  const Setting exceptions = FirstSet({"no_proxy", "NO_PROXY"});
  if (proxy_rules::MatchesNoProxy(exceptions.value, target.name)) {
    decision.route.source = exceptions.name;
    return decision;
  }
  if (!proxy_rules::ParseProxyServer(proxy.value, "1080", decision.route.proxy)) {
    decision.failure = proxy.name + " names no usable HTTP proxy: " + proxy_rules::Redacted(proxy.value);
    return decision;
  }
  decision.route.source = proxy.name;
  return decision;
}
