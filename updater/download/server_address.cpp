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
  const auto colon = address.hostLine.find(':');
  address.name = address.hostLine.substr(0, colon);
  if (colon != std::string::npos)
    address.port = address.hostLine.substr(colon + 1);
  else
    address.port = address.secure ? "443" : "80";
  return address;
}
