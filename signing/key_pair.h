#pragma once
// The publisher's ECDSA P-256 key pair: made, stored as a PEM file and used
// to sign by the publishing tool. The programs verify with the public half
// alone and never link this.

#include <array>
#include <cstdint>
#include <string>

#include "signing/public_key.h"
#include "signing/signature_layout.h"

namespace signing {

struct KeyPair {
  std::array<std::uint8_t, 32> secret{};  // the private scalar, big-endian
  PublicKey publicKey;
  ~KeyPair();  // overwrites the secret
};

// A fresh key pair from the system's cryptography (CNG on Windows, OpenSSL
// elsewhere). Throws std::runtime_error when it cannot be made.
KeyPair GenerateKeyPair();

// Raw r || s over a SHA-256 digest. Throws std::runtime_error on failure.
Signature SignDigest(const KeyPair& key, const Digest& digest);

// Reads an unencrypted PEM private key: PKCS#8 ("PRIVATE KEY", what
// FormatPrivateKeyPem and OpenSSL write) or SEC1 ("EC PRIVATE KEY"), on
// P-256, holding its public key. False, with `error` saying why, otherwise.
bool ParsePrivateKeyPem(const std::string& pem, KeyPair& key, std::string& error);

// The PKCS#8 PEM text of a key pair, byte for byte as OpenSSL writes it.
std::string FormatPrivateKeyPem(const KeyPair& key);

}  // namespace signing
