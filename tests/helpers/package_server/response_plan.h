#pragma once
// What the package server writes for one request: a list of writes with
// pauses, stalls and closes between them.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/helpers/package_server/package_server.h"

namespace package_server {

struct Step {
  std::string literal;     // bytes to write; when empty, a slice of the package
  std::size_t offset = 0;  // slice of the package
  std::size_t length = 0;
  std::uint32_t delayMs = 0;  // pause after the write
  bool stall = false;         // after the write, wait until the server stops
  bool close = false;         // after the write, close the connection
};

// rangeOffset is the N of "Range: bytes=N-", or -1 without a Range line.
std::vector<Step> PlanResponse(Behaviour behaviour, const std::string& package, std::int64_t rangeOffset,
                               const ServerOptions& options);

}  // namespace package_server
