#pragma once
// A publisher's public key: an uncompressed P-256 point, read from the PEM
// "PUBLIC KEY" file (SubjectPublicKeyInfo) that the publishing tool writes.

#include <array>
#include <cstdint>
#include <string>

namespace signing {

struct PublicKey {
  std::array<std::uint8_t, 32> x{};
  std::array<std::uint8_t, 32> y{};
};

// Parses the PEM text of a P-256 public key. False, with `error` saying
// why, for anything else (another curve or algorithm, broken base64).
bool ParsePublicKeyPem(const std::string& pem, PublicKey& key, std::string& error);

// The PEM text of a key, as ParsePublicKeyPem reads it.
std::string FormatPublicKeyPem(const PublicKey& key);

}  // namespace signing
