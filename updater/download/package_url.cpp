#include "updater/download/package_url.h"

#include <cctype>
#include <cstdint>
#include <vector>

namespace download {
namespace {

struct KnownScheme {
  const char* name;
  const char* port;
};

const KnownScheme kSchemes[] = {{"http", "80"}, {"https", "443"}};

bool IsPlainText(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7f) return false;
  }
  return true;
}

bool IsHostNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.' || c == '_';
}

bool IsValidPort(const std::string& port) {
  if (port.empty() || port.size() > 5) return false;
  std::uint32_t value = 0;
  for (const char c : port) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value >= 1 && value <= 65535;
}

// "name", "name:port", "[v6]" or "[v6]:port".
bool IsValidAuthority(const std::string& authority) {
  std::size_t nameEnd = 0;
  if (!authority.empty() && authority[0] == '[') {
    nameEnd = authority.find(']');
    if (nameEnd == std::string::npos || nameEnd < 2) return false;
    for (std::size_t i = 1; i < nameEnd; ++i) {
      const char c = authority[i];
      if (std::isxdigit(static_cast<unsigned char>(c)) == 0 && c != ':' && c != '.') return false;
    }
    ++nameEnd;
  } else {
    while (nameEnd < authority.size() && IsHostNameChar(authority[nameEnd])) ++nameEnd;
    if (nameEnd == 0) return false;
  }
  if (nameEnd == authority.size()) return true;
  return authority[nameEnd] == ':' && IsValidPort(authority.substr(nameEnd + 1));
}

std::string WithoutFragment(const std::string& text) { return text.substr(0, text.find('#')); }

// Removes "." and ".." segments from an absolute path; its query stays as it is.
std::string WithoutDotSegments(const std::string& target) {
  const auto queryAt = target.find('?');
  const std::string path = target.substr(0, queryAt);
  const std::string query = queryAt == std::string::npos ? std::string() : target.substr(queryAt);
  std::vector<std::string> kept;
  std::size_t start = 1;
  bool endsAsFolder = false;
  while (start <= path.size()) {
    const auto slash = path.find('/', start);
    const std::string segment =
        path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    endsAsFolder = segment == "." || segment == "..";
    if (segment == "..") {
      if (!kept.empty()) kept.pop_back();
    } else if (segment != ".") {
      kept.push_back(segment);
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  std::string result;
  for (const std::string& segment : kept) result += "/" + segment;
  if (result.empty() || endsAsFolder) result += "/";
  return result + query;
}

// Splits "//authority/path..." (the part after the scheme's colon).
bool ReadNetworkPath(const std::string& scheme, const std::string& rest, PackageUrl& url) {
  if (rest.compare(0, 2, "//") != 0) return false;
  const auto pathAt = rest.find_first_of("/?", 2);
  PackageUrl parsed;
  parsed.scheme = scheme;
  parsed.authority = rest.substr(2, pathAt == std::string::npos ? std::string::npos : pathAt - 2);
  if (!IsValidAuthority(parsed.authority)) return false;
  const std::string target = pathAt == std::string::npos ? std::string() : rest.substr(pathAt);
  parsed.path = WithoutDotSegments(target.empty() || target[0] == '?' ? "/" + target : target);
  url = parsed;
  return true;
}

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string DefaultPort(const std::string& scheme) {
  for (const KnownScheme& known : kSchemes) {
    if (scheme == known.name) return known.port;
  }
  return std::string();
}

bool ParsePackageUrl(const std::string& text, PackageUrl& url) {
  const std::string plain = WithoutFragment(text);
  if (!IsPlainText(plain)) return false;
  const auto colon = plain.find(':');
  if (colon == std::string::npos) return false;
  const std::string scheme = LowerCase(plain.substr(0, colon));
  if (DefaultPort(scheme).empty()) return false;
  return ReadNetworkPath(scheme, plain.substr(colon + 1), url);
}

bool IsRequestTarget(const std::string& authority, const std::string& path) {
  return IsValidAuthority(authority) && !path.empty() && path[0] == '/' && IsPlainText(path);
}

bool ResolveLocation(const PackageUrl& base, const std::string& location, PackageUrl& next) {
  const std::string plain = WithoutFragment(location);
  if (plain.empty() || !IsPlainText(plain)) return false;
  if (plain.compare(0, 2, "//") == 0) return ReadNetworkPath(base.scheme, plain, next);
  const auto schemeEnd = plain.find_first_of(":/?");
  if (schemeEnd != std::string::npos && plain[schemeEnd] == ':') return ParsePackageUrl(plain, next);
  PackageUrl resolved = base;
  if (plain[0] == '/') {
    resolved.path = WithoutDotSegments(plain);
  } else {
    const std::string basePath = base.path.substr(0, base.path.find('?'));
    std::string folder = plain[0] == '?' ? basePath : basePath.substr(0, basePath.rfind('/') + 1);
    if (folder.empty() || folder[0] != '/') folder.insert(0, "/");
    resolved.path = WithoutDotSegments(folder + plain);
  }
  next = resolved;
  return true;
}

}  // namespace download
