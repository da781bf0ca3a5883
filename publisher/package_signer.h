#pragma once
// Signing a package: its archive comment becomes the signature of everything
// before the end record's comment length field (signing/README.md).

#include <filesystem>

#include "publisher/key_files.h"
#include "signing/signature_layout.h"

namespace publisher {

// Signs the package in place, replacing any archive comment (an earlier
// signature included). The file is rewritten beside itself and renamed, so
// it is never left half-signed. Throws std::runtime_error naming the file.
// Packages that carry a release manifest are signed in format 2.
void SignPackage(const std::filesystem::path& package, const PrivateKey& key,
                 signing::SignatureFormat format = signing::SignatureFormat::V1);

}  // namespace publisher
