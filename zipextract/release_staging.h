#pragma once
// What the apply of a package with a release manifest checks while it
// stages: every file entry is a file the manifest says the package carries,
// staged once, with the listed size and SHA-256, and no carried file is
// missing from the package.

#include <cstdint>
#include <set>
#include <string>

#include "release/manifest.h"

class ReleaseStaging {
 public:
  explicit ReleaseStaging(const release::Manifest& manifest) : manifest_(manifest) {}

  // The listing the entry must match, or nullptr with `why`.
  const release::ReleaseFile* admit(const std::string& nameBytes, std::string& why);
  // False with `why` when the staged data is not the listed file.
  static bool confirm(const release::ReleaseFile& file, std::uint64_t size, const release::Digest& digest,
                      std::string& why);
  // After the last entry: false with `why` naming a carried file not staged.
  bool complete(std::string& why) const;

 private:
  const release::Manifest& manifest_;
  std::set<std::string> staged_;
};
