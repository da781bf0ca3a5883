#pragma once
// Writes a package (classic zip, no Zip64, no encryption) from scanned entries.

#include <filesystem>
#include <functional>
#include <vector>

#include "publisher/folder_scan.h"

namespace publisher {

// Called after each entry with the bytes packed so far and the total.
using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Writes the entries to `output`, each stored or deflated, whichever is
// smaller. The package appears under its name only when complete: it is
// written beside it and renamed at the end. Throws std::runtime_error
// naming the file and the reason; nothing is left behind then.
void WritePackage(const std::vector<PackageEntry>& entries, const std::filesystem::path& output,
                  const Progress& progress);

// A file written under a temporary name beside `target`, removed unless
// committed (renamed over the target).
class PartialFile {
 public:
  explicit PartialFile(const std::filesystem::path& target);
  ~PartialFile();
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;
  const std::filesystem::path& path() const { return partial_; }
  void Commit();

 private:
  std::filesystem::path target_;
  std::filesystem::path partial_;
  bool committed_ = false;
};

}  // namespace publisher
