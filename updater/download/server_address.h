#pragma once
// Where an exchange goes. The engine carries the server as one host value,
// the way the package URL names it: "name[:port]" for plain HTTP (port 80
// when absent) and "https://name[:port]" for HTTP over TLS (port 443 when
// absent). Only the connection and the request's Host line look inside it.

#include <string>

struct ServerAddress {
  bool secure = false;
  std::string name;
  std::string port;
  // The Host line's value: the host value without its scheme.
  std::string hostLine;
};

// The prefix that marks a host value as HTTP over TLS.
extern const char kSecureHostPrefix[];

// Splits a host value at the first ":" after its scheme (after the "]" of a
// bracketed IPv6 address); the port is taken as a service string without
// validation.
ServerAddress ParseServerAddress(const std::string& host);

// True when host names a TLS server.
bool IsSecureHost(const std::string& host);
