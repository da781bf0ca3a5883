#include "updater/download/server_address.h"

#include <cstring>

const char kSecureHostPrefix[] = "https://";

bool IsSecureHost(const std::string& host) {
  return host.compare(0, std::strlen(kSecureHostPrefix), kSecureHostPrefix) == 0;
}

ServerAddress ParseServerAddress(const std::string& host) {
  ServerAddress address;
  address.secure = IsSecureHost(host);
  address.hostLine = address.secure ? host.substr(std::strlen(kSecureHostPrefix)) : host;
  const std::string& line = address.hostLine;
  // A bracketed IPv6 address carries colons of its own.
  const auto close = line.find(']');
  const bool bracketed = !line.empty() && line[0] == '[' && close != std::string::npos;
  const auto colon = line.find(':', bracketed ? close : 0);
  address.name = bracketed ? line.substr(1, close - 1) : line.substr(0, colon);
  if (colon != std::string::npos)
    address.port = line.substr(colon + 1);
  else
    address.port = address.secure ? "443" : "80";
  return address;
}
