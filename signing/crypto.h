#pragma once
// The two cryptographic operations a package check needs, from the system's
// library: CNG on Windows, OpenSSL elsewhere.

#include <cstddef>
#include <memory>

#include "signing/public_key.h"
#include "signing/signature_layout.h"

namespace signing {

// Incremental SHA-256. Throws std::runtime_error when the system cannot
// provide the hash (no provider); otherwise Update and Finish cannot fail.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(const void* data, std::size_t size);
  // Ends the hash; the object takes no more data afterwards.
  Digest Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// True when `signature` (raw r || s) is a valid ECDSA P-256 signature by
// `key` over `digest`. A key that is not a point of the curve verifies nothing.
bool VerifyDigestSignature(const PublicKey& key, const Digest& digest, const Signature& signature);

}  // namespace signing
