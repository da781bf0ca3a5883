#pragma once
// Speaking to an HTTP proxy: the tunnel for HTTPS (CONNECT host:port, a 2xx
// answer, then TLS with the package host inside it), and the words for a
// proxy that refuses. Proxy answers are untrusted: heads are bounded, only
// the status line and the offered authentication schemes are read, and
// whatever reaches the log is made printable.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "updater/download/proxy_route.h"
#include "updater/download/server_address.h"

class HttpConnection;

// A proxy that could not be used for the exchange; the ERROR line has been
// written.
class ProxyFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ProxyAnswer {
  int status = -1;                       // -1 when the head has no HTTP status line
  std::string statusLine;                // printable, bounded
  std::vector<std::string> authSchemes;  // from Proxy-Authenticate, printable, at most a few
};

// Reads a response head (without its blank line).
ProxyAnswer ReadProxyAnswer(std::string_view head);

// The ERROR line's text for a proxy that did not carry request (a
// description such as "CONNECT host:443") as asked.
std::string DescribeProxyRefusal(const ProxyRoute& route, const std::string& request,
                                 const ProxyAnswer& answer);

// "name:port" of target, as CONNECT names it.
std::string TunnelAuthority(const ServerAddress& target);

// Asks the proxy that connection is connected to for a tunnel to target.
// Returns once the proxy answered 2xx and the connection carries target's
// bytes; throws ProxyFailure (after an ERROR line) otherwise, and
// boost::system::system_error when the socket fails or is closed.
void OpenTunnel(HttpConnection& connection, const ServerAddress& target, const ProxyRoute& route);
