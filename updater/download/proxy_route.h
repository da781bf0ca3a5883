#pragma once
// The route of one attempt: straight to the package host, or through an HTTP
// proxy. The system's settings decide it (proxy_settings.h); the rules that
// read those settings are here, portable, so that both readers share them.
// Every text they read is untrusted: values that do not parse are refused,
// never guessed at.

#include <cstddef>
#include <string>
#include <string_view>

struct ProxyRoute {
  // "name:port" or "[v6]:port" of the proxy; empty for a direct connection.
  std::string proxy;
  // Where the decision came from, for the log ("https_proxy", "no_proxy",
  // "fixed proxy of the system settings", "configuration script <url>").
  std::string source;

  bool direct() const { return proxy.empty(); }
};

struct RouteDecision {
  ProxyRoute route;
  // Not empty when no route could be decided (a configuration script that
  // cannot be fetched or evaluated, a proxy setting that does not parse):
  // the ERROR line's text. The attempt then fails.
  std::string failure;
  // Not empty when a way of deciding that the settings name failed or found
  // nothing and the route was decided without it (automatic detection): the
  // WARN line's text.
  std::string warning;
};

namespace proxy_rules {

// Reads a proxy as settings write it: "name", "name:port" or "[v6]:port",
// optionally after "http://" and before a "/". The port defaults to
// defaultPort. False for any other scheme, an empty or invalid name, or a
// port outside 1-65535. address becomes "name:port".
bool ParseProxyServer(std::string_view text, const std::string& defaultPort, std::string& address);

// curl's no_proxy rule: entries separated by commas or blanks; "*" alone
// matches every host; an entry matches the host itself and the hosts of its
// domain (a leading dot changes nothing); an IP address with "/bits" matches
// the addresses of that network. Letter case is ignored.
bool MatchesNoProxy(std::string_view list, const std::string& hostName);

// The bypass list of the Windows settings: entries separated by ";" (or
// blanks and commas), each a host pattern with "*" for any run of
// characters, optionally after "scheme://"; "<local>" matches host names
// without a dot. Letter case is ignored.
bool MatchesBypassList(std::string_view list, const std::string& scheme, const std::string& hostName);

// The proxy for scheme in a list of the Windows settings: "name:port" for
// every scheme, or entries like "http=name:port;https=name:port". Empty when
// the list names none for that scheme.
std::string ProxyForScheme(std::string_view list, const std::string& scheme);

// An untrusted text made fit for a log line: control and non-ASCII bytes
// shown as "?", cut after maxLength characters (marked with "...").
std::string Printable(std::string_view text, std::size_t maxLength = 200);

// Printable, with the user information of every address in text (the
// "user:password" before an "@", in a URL or a proxy list) replaced by
// "***": settings and URLs may carry a password, and logs are read by many.
std::string Redacted(std::string_view text, std::size_t maxLength = 200);

}  // namespace proxy_rules
