// ParseResponseHeader over arbitrary heads: no crash, no read past the
// buffer, and an accepted head leaves exactly the bytes after its blank line;
// its Location, when followed, gives a usable host and request target.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/fuzz/http/fuzz_setup.h"
#include "updater/download/package_url.h"
#include "updater/download/response_header.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetUpHttpFuzzing();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string buffer(reinterpret_cast<const char*>(data), size);
  std::size_t headEnd = buffer.find("\r\n\r\n");
  if (headEnd == std::string::npos) {
    headEnd = buffer.size();
    buffer += "\r\n\r\n";
  }
  const std::string original = buffer;
  ResponseHeader header;
  if (ParseResponseHeader(header, buffer, headEnd)) {
    if (buffer != original.substr(headEnd + 4)) std::abort();
    if (header.statusCode != 200 && header.statusCode != 206) std::abort();
  }
  if (header.totalLength < 0) std::abort();
  // Whatever Location a head carries, a followed one names a host and a
  // request target that can go into a request line as they are.
  const download::PackageUrl base{"http", "pkg.example:8080", "/dir/u.zip"};
  download::PackageUrl next;
  if (download::ResolveLocation(base, header.location, next)) {
    if (next.authority.empty() || next.path.empty() || next.path[0] != '/') std::abort();
    for (const char c : next.authority + next.path) {
      if (static_cast<unsigned char>(c) <= 0x20 || c == '#') std::abort();
    }
  }
  return 0;
}
