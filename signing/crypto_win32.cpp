// CNG for the Windows programs: SHA-256 and ECDSA P-256 verification.
#include <windows.h>
// bcrypt.h needs the types of windows.h.
#include <bcrypt.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "signing/crypto.h"

namespace signing {
namespace {

struct AlgorithmCloser {
  void operator()(void* handle) const { BCryptCloseAlgorithmProvider(handle, 0); }
};
struct HashCloser {
  void operator()(void* handle) const { BCryptDestroyHash(handle); }
};
struct KeyCloser {
  void operator()(void* handle) const { BCryptDestroyKey(handle); }
};
using Algorithm = std::unique_ptr<void, AlgorithmCloser>;
using Hash = std::unique_ptr<void, HashCloser>;
using Key = std::unique_ptr<void, KeyCloser>;

Algorithm OpenAlgorithm(const wchar_t* name) {
  BCRYPT_ALG_HANDLE handle = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0))) return nullptr;
  return Algorithm(handle);
}

Key ImportPublicKey(BCRYPT_ALG_HANDLE algorithm, const PublicKey& key) {
  std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
  auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
  header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
  header->cbKey = 32;
  std::copy(key.x.begin(), key.x.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB));
  std::copy(key.y.begin(), key.y.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB) + 32);
  BCRYPT_KEY_HANDLE handle = nullptr;
  if (!BCRYPT_SUCCESS(BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle, blob.data(),
                                          static_cast<ULONG>(blob.size()), 0)))
    return nullptr;
  return Key(handle);
}

}  // namespace

struct Sha256::State {
  Algorithm algorithm;
  Hash hash;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->algorithm = OpenAlgorithm(BCRYPT_SHA256_ALGORITHM);
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!state_->algorithm ||
      !BCRYPT_SUCCESS(BCryptCreateHash(state_->algorithm.get(), &hash, nullptr, 0, nullptr, 0, 0)))
    throw std::runtime_error("SHA-256 is not available");
  state_->hash.reset(hash);
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t size) {
  // CNG takes at most a ULONG per call.
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ULONG piece = static_cast<ULONG>(std::min<std::size_t>(size, 1u << 30));
    BCryptHashData(state_->hash.get(), const_cast<PUCHAR>(bytes), piece, 0);
    bytes += piece;
    size -= piece;
  }
}

Digest Sha256::Finish() {
  Digest digest{};
  BCryptFinishHash(state_->hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0);
  return digest;
}

bool VerifyDigestSignature(const PublicKey& key, const Digest& digest, const Signature& signature) {
  const Algorithm algorithm = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!algorithm) return false;
  const Key imported = ImportPublicKey(algorithm.get(), key);
  if (!imported) return false;
  const NTSTATUS status = BCryptVerifySignature(
      imported.get(), nullptr, const_cast<PUCHAR>(digest.data()), static_cast<ULONG>(digest.size()),
      const_cast<PUCHAR>(signature.data()), static_cast<ULONG>(signature.size()), 0);
  return BCRYPT_SUCCESS(status);
}

}  // namespace signing
