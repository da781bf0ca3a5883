#pragma once
// The publisher's key pair on disk: a PEM PKCS#8 private key readable by its
// owner only, and the PEM public key that builds of the programs embed. The
// same files serve the tool on every system. Paths are UTF-8.

#include <memory>
#include <string>

#include "signing/public_key.h"
#include "signing/signature_layout.h"

namespace publisher {

class PrivateKey {
 public:
  ~PrivateKey();
  PrivateKey(PrivateKey&&) noexcept;
  PrivateKey& operator=(PrivateKey&&) noexcept;

  // A fresh P-256 key. Throws std::runtime_error on failure.
  static PrivateKey Generate();
  // Reads a PEM private key; throws std::runtime_error naming the file and
  // the reason (unreadable, readable by others, not PEM, encrypted, not
  // P-256, halves that do not belong together).
  static PrivateKey Load(const std::string& path);

  // Writes the private key with owner-only permissions; never replaces an
  // existing file. Throws std::runtime_error.
  void Save(const std::string& path) const;
  signing::PublicKey Public() const;
  // Raw r || s over a SHA-256 digest.
  signing::Signature Sign(const signing::Digest& digest) const;

 private:
  struct Impl;
  explicit PrivateKey(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Reads a PEM public key file; throws std::runtime_error naming the file.
signing::PublicKey LoadPublicKey(const std::string& path);
// Writes a public key file (replacing an existing one).
void SavePublicKey(const signing::PublicKey& key, const std::string& path);

}  // namespace publisher
