#pragma once
// Signing a package: its archive comment becomes the signature of everything
// before the end record's comment length field (signing/README.md).

#include <filesystem>

#include "publisher/key_files.h"

namespace publisher {

// Signs the package in place, replacing any archive comment (an earlier
// signature included). The file is rewritten beside itself and renamed, so
// it is never left half-signed. Throws std::runtime_error naming the file.
void SignPackage(const std::filesystem::path& package, const PrivateKey& key);

}  // namespace publisher
