#pragma once
// Checks a package's signature from its bytes, fed in order in one pass (the
// download feeds what it joins), or from a file.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "signing/public_key.h"
#include "signing/signature_layout.h"
#include "signing/verdict.h"

namespace signing {

class Sha256;

class PackageVerifier {
 public:
  // `packageSize`: how many bytes will be fed in all.
  explicit PackageVerifier(std::uint64_t packageSize);
  ~PackageVerifier();
  PackageVerifier(const PackageVerifier&) = delete;
  PackageVerifier& operator=(const PackageVerifier&) = delete;

  // The next bytes of the package, in order.
  void Update(const void* data, std::size_t size);
  // Judges once every byte was fed; Unreadable when the count differs.
  Verdict Finish(const PublicKey& key);
  // The digest that was signed, valid after Finish found a signature.
  const Digest& SignedDigest() const { return digest_; }

 private:
  std::uint64_t packageSize_;
  std::uint64_t signedLength_;
  std::uint64_t tailStart_;
  std::uint64_t fed_ = 0;
  std::unique_ptr<Sha256> hash_;
  std::uint8_t tail_[kSignedTailSize] = {};
  Digest digest_{};
};

// Reads the whole file and judges it.
Verdict VerifyPackageFile(const std::wstring& path, const PublicKey& key);
// The same through an open file, read from its start (the caller's position
// is not kept).
Verdict VerifyPackage(platform::File& file, const PublicKey& key);

}  // namespace signing
