#include "zipextract/release_staging.h"

const release::ReleaseFile* ReleaseStaging::admit(const std::string& nameBytes, std::string& why) {
  const release::ReleaseFile* file = manifest_.find(nameBytes);
  if (file == nullptr || !file->carried) {
    why = "not listed in the release manifest as a file of this package";
    return nullptr;
  }
  if (!staged_.insert(nameBytes).second) {
    why = "in the package twice";
    return nullptr;
  }
  return file;
}

bool ReleaseStaging::confirm(const release::ReleaseFile& file, std::uint64_t size,
                             const release::Digest& digest, std::string& why) {
  if (size == file.size && digest == file.sha256) return true;
  why = "not the file the release manifest lists (size " + std::to_string(size) + ", listed " +
        std::to_string(file.size) + (size == file.size ? ", other SHA-256)" : ")");
  return false;
}

bool ReleaseStaging::complete(std::string& why) const {
  for (const release::ReleaseFile& file : manifest_.files) {
    if (file.carried && staged_.count(file.name) == 0) {
      why = "the release manifest lists " + file.name + ", which the package does not hold";
      return false;
    }
  }
  return true;
}
