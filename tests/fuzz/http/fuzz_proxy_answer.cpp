// What a proxy and the proxy settings may hand the updater: a proxy's answer
// head, and settings texts read as a proxy, a no_proxy list and a bypass list.
// The input is split at its first NUL byte into the settings text and the host.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "updater/download/proxy_route.h"
#include "updater/download/proxy_tunnel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const ProxyAnswer answer = ReadProxyAnswer(input);
  if (answer.statusLine.size() > 163 || answer.authSchemes.size() > 6) std::abort();
  if (answer.status != -1 && (answer.status < 0 || answer.status > 999)) std::abort();
  const std::string settings = input.substr(0, input.find('\0'));
  const std::string host = input.size() > settings.size() ? input.substr(settings.size() + 1) : "";
  std::string address;
  if (proxy_rules::ParseProxyServer(settings, "80", address) &&
      address.find_first_of(" \r\n/@") != std::string::npos)
    std::abort();
  proxy_rules::MatchesNoProxy(settings, host);
  proxy_rules::MatchesBypassList(settings, "https", host);
  proxy_rules::ProxyForScheme(settings, "http");
  return 0;
}
