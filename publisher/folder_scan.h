#pragma once
// The entries of a package made from a folder: names relative to it with
// forward slashes, sorted, each checked against what the launcher installs.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace publisher {

struct PackageEntry {
  std::string name;  // UTF-8, "/" separators; directories end in "/"
  std::filesystem::path source;
  std::uint64_t size = 0;
  bool directory = false;
};

// Packages stay below 2 GiB: the programs use 32-bit sizes.
constexpr std::uint64_t kPackageLimit = std::uint64_t{1} << 31;

// Every file of the folder, and every empty sub-folder, in name order.
// Throws std::runtime_error naming the first offending file and the reason:
// a symbolic link or special file, a name the launcher would refuse, or a
// total size at or above kPackageLimit.
std::vector<PackageEntry> ScanFolder(const std::filesystem::path& folder);

}  // namespace publisher
