#pragma once
// The place a package is fetched from, and how a redirection's Location
// value moves it. The only parser of URLs and Location values in the engine.

#include <string>

namespace download {

struct PackageUrl {
  std::string scheme;     // lower case; one of the schemes the engine speaks
  std::string authority;  // "name" or "name:port" as written; the Host line and the connection use it
  std::string path;       // request target: begins with "/", may carry a query, never a fragment
};

// Default port of a scheme the engine speaks ("80" for "http", "443" for
// "https"); empty for any other scheme.
std::string DefaultPort(const std::string& scheme);

// Reads an absolute URL, "scheme://name[:port][/path][?query][#fragment]".
// A missing path reads as "/"; the fragment is dropped. False (url
// unchanged) for an unknown scheme, user information, an empty or invalid
// host name, a port outside 1-65535, or blanks and control bytes anywhere.
bool ParsePackageUrl(const std::string& text, PackageUrl& url);

// True when authority ("name", "name:port", "[v6]" or "[v6]:port") and path
// (beginning with "/", maybe with a query) can go as they are into a request
// line, a Host line and a CONNECT line: the rules of ParsePackageUrl, which
// also keep CR, LF and blanks out, applied without rewriting either.
bool IsRequestTarget(const std::string& authority, const std::string& path);

// Where a Location value sent in answer to a request for base points:
// absolute URLs, scheme-relative "//name[:port]/path", absolute paths
// "/path" (base's scheme and authority) and relative paths, resolved against
// base's path with "." and ".." segments removed. False (next unchanged) for
// a value that is none of these.
bool ResolveLocation(const PackageUrl& base, const std::string& location, PackageUrl& next);

}  // namespace download
