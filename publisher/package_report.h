#pragma once
// What `verify` checks besides the signature: every entry is one the
// launcher installs as it stands, readable, and the sizes fit the programs.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace publisher {

struct PackageReport {
  std::uint64_t entries = 0;
  std::uint64_t unpackedSize = 0;
  std::uint64_t packageSize = 0;
  std::vector<std::string> problems;  // each names the entry and the reason
};

PackageReport InspectPackage(const std::filesystem::path& package);

}  // namespace publisher
