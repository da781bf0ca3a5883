#include "updater/download/proxy_route.h"

#include <algorithm>
#include <array>
#include <boost/asio/ip/address.hpp>
#include <cstdlib>
#include <vector>

namespace proxy_rules {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::vector<std::string_view> Split(std::string_view list, std::string_view separators) {
  std::vector<std::string_view> items;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find_first_of(separators, start), list.size());
    if (end > start) items.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
         c == '_';
}

bool ValidPort(std::string_view port) {
  if (port.empty() || port.size() > 5) return false;
  if (!std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  const long value = std::strtol(std::string(port).c_str(), nullptr, 10);
  return value >= 1 && value <= 65535;
}

// The address's bytes, in network order; false for a text that is no address.
bool AddressBytes(const std::string& text, std::vector<unsigned char>& bytes) {
  boost::system::error_code error;
  const boost::asio::ip::address address = boost::asio::ip::make_address(text, error);
  if (error) return false;
  if (address.is_v4()) {
    const auto v4 = address.to_v4().to_bytes();
    bytes.assign(v4.begin(), v4.end());
  } else {
    const auto v6 = address.to_v6().to_bytes();
    bytes.assign(v6.begin(), v6.end());
  }
  return true;
}

// "network/bits" against an address; false when either is not an address of
// the same family or bits is out of range.
bool MatchesNetwork(std::string_view entry, const std::string& host) {
  const std::size_t slash = entry.find('/');
  std::vector<unsigned char> network, address;
  if (!AddressBytes(std::string(entry.substr(0, slash)), network) || !AddressBytes(host, address))
    return false;
  if (network.size() != address.size()) return false;
  const std::string_view bitsText = entry.substr(slash + 1);
  if (bitsText.empty() || bitsText.size() > 3 ||
      !std::all_of(bitsText.begin(), bitsText.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const std::size_t bits = static_cast<std::size_t>(std::atoi(std::string(bitsText).c_str()));
  if (bits > network.size() * 8) return false;
  for (std::size_t i = 0; i < bits; ++i) {
    const unsigned char mask = static_cast<unsigned char>(0x80u >> (i % 8));
    if ((network[i / 8] & mask) != (address[i / 8] & mask)) return false;
  }
  return true;
}

// '*' stands for any run of characters; both texts already in lower case.
bool GlobMatches(std::string_view pattern, std::string_view text) {
  std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string_view Trim(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

}  // namespace

bool ParseProxyServer(std::string_view text, const std::string& defaultPort, std::string& address) {
  text = Trim(text);
  const std::size_t schemeEnd = text.find("://");
  if (schemeEnd != std::string_view::npos) {
    if (Lower(text.substr(0, schemeEnd)) != "http") return false;
    text.remove_prefix(schemeEnd + 3);
  }
  text = text.substr(0, text.find('/'));
  std::string_view name = text, port;
  if (!text.empty() && text[0] == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return false;
    name = text.substr(0, close + 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty() && rest[0] != ':') return false;
    if (!rest.empty()) port = rest.substr(1);
    std::vector<unsigned char> ignored;
    if (!AddressBytes(std::string(name.substr(1, name.size() - 2)), ignored)) return false;
  } else {
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
      name = text.substr(0, colon);
      port = text.substr(colon + 1);
    }
    if (name.empty() || !std::all_of(name.begin(), name.end(), IsNameCharacter)) return false;
  }
  const std::string chosenPort = port.empty() ? defaultPort : std::string(port);
  if (name.size() > 255 || !ValidPort(chosenPort)) return false;
  address = std::string(name) + ":" + chosenPort;
  return true;
}

bool MatchesNoProxy(std::string_view list, const std::string& hostName) {
  std::string host = Lower(hostName);
  while (!host.empty() && host.back() == '.') host.pop_back();
  for (std::string_view item : Split(list, ", \t")) {
    if (item == "*") return true;
    std::string entry = Lower(item);
    if (entry.find('/') != std::string::npos) {
      if (MatchesNetwork(entry, host)) return true;
      continue;
    }
    if (entry.size() > 1 && entry.front() == '[' && entry.back() == ']')
      entry = entry.substr(1, entry.size() - 2);
    while (!entry.empty() && entry.front() == '.') entry.erase(0, 1);
    while (!entry.empty() && entry.back() == '.') entry.pop_back();
    if (entry.empty()) continue;
    if (host == entry) return true;
    if (host.size() > entry.size() && host.compare(host.size() - entry.size(), entry.size(), entry) == 0 &&
        host[host.size() - entry.size() - 1] == '.')
      return true;
  }
  return false;
}

bool MatchesBypassList(std::string_view list, const std::string& scheme, const std::string& hostName) {
  const std::string host = Lower(hostName);
  for (std::string_view item : Split(list, "; \t,")) {
    std::string entry = Lower(item);
    if (entry == "<local>") {
      if (host.find('.') == std::string::npos && host.find(':') == std::string::npos) return true;
      continue;
    }
    const std::size_t schemeEnd = entry.find("://");
    if (schemeEnd != std::string::npos) {
      if (entry.compare(0, schemeEnd, scheme) != 0) continue;
      entry.erase(0, schemeEnd + 3);
    }
    if (GlobMatches(entry, host)) return true;
  }
  return false;
}

std::string ProxyForScheme(std::string_view list, const std::string& scheme) {
  std::string forAll;
  for (std::string_view item : Split(list, "; \t")) {
    const std::size_t equals = item.find('=');
    if (equals == std::string_view::npos) {
      if (forAll.empty()) forAll = std::string(item);
      continue;
    }
    if (Lower(item.substr(0, equals)) == scheme) return std::string(item.substr(equals + 1));
  }
  return forAll;
}

std::string Printable(std::string_view text, std::size_t maxLength) {
  std::string shown;
  for (const char c : text.substr(0, maxLength))
    shown += (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) ? '?' : c;
  if (text.size() > maxLength) shown += "...";
  return shown;
}

std::string Redacted(std::string_view text, std::size_t maxLength) {
  std::string hidden(text);
  for (std::size_t at = hidden.find('@'); at != std::string::npos; at = hidden.find('@', at + 1)) {
    // The item holding the "@" starts after a list separator; a scheme's
    // "://" inside it ends before the user information.
    const std::size_t separator = hidden.find_last_of(" \t;,=", at);
    std::size_t begin = separator == std::string::npos ? 0 : separator + 1;
    const std::size_t scheme = hidden.find("://", begin);
    if (scheme != std::string::npos && scheme < at) begin = scheme + 3;
    hidden.replace(begin, at - begin, "***");
    at = begin + 3;
  }
  return Printable(hidden, maxLength);
}

}  // namespace proxy_rules
