// CNG for the publishing tool on Windows: making P-256 key pairs and signing.
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "signing/bcrypt_api_win32.h"
#include "signing/key_pair.h"

namespace signing {
namespace {

using bcrypt::Api;

// BCRYPT_ECCPRIVATE_BLOB: the header, then x, y and the secret, 32 bytes each.
class PrivateBlob {
 public:
  PrivateBlob() : bytes_(sizeof(BCRYPT_ECCKEY_BLOB) + 96) {}
  ~PrivateBlob() { SecureZeroMemory(bytes_.data(), bytes_.size()); }
  PrivateBlob(const PrivateBlob&) = delete;
  PrivateBlob& operator=(const PrivateBlob&) = delete;

  PUCHAR data() { return bytes_.data(); }
  ULONG size() const { return static_cast<ULONG>(bytes_.size()); }
  BCRYPT_ECCKEY_BLOB& header() { return *reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(bytes_.data()); }
  std::uint8_t* x() { return bytes_.data() + sizeof(BCRYPT_ECCKEY_BLOB); }
  std::uint8_t* y() { return x() + 32; }
  std::uint8_t* secret() { return x() + 64; }

 private:
  std::vector<std::uint8_t> bytes_;
};

bcrypt::Algorithm OpenEcdsa() {
  if (Api() == nullptr || !Api()->signs()) throw std::runtime_error("bcrypt.dll cannot sign on this system");
  bcrypt::Algorithm algorithm = bcrypt::OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!algorithm) throw std::runtime_error("ECDSA P-256 is not available");
  return algorithm;
}

[[noreturn]] void Fail(const char* what, NTSTATUS status) {
  char code[16];
  std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(status));
  throw std::runtime_error(std::string(what) + " (status 0x" + code + ")");
}

}  // namespace

KeyPair GenerateKeyPair() {
  const bcrypt::Algorithm algorithm = OpenEcdsa();
  BCRYPT_KEY_HANDLE handle = nullptr;
  NTSTATUS status = Api()->generateKeyPair(algorithm.get(), &handle, 256, 0);
  if (!BCRYPT_SUCCESS(status)) Fail("cannot generate a P-256 key", status);
  const bcrypt::Key key(handle);
  status = Api()->finalizeKeyPair(key.get(), 0);
  if (!BCRYPT_SUCCESS(status)) Fail("cannot generate a P-256 key", status);
  PrivateBlob blob;
  ULONG written = 0;
  status =
      Api()->exportKey(key.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, blob.data(), blob.size(), &written, 0);
  if (!BCRYPT_SUCCESS(status) || written != blob.size() || blob.header().cbKey != 32)
    Fail("cannot read the new key", status);
  KeyPair pair;
  std::copy_n(blob.x(), 32, pair.publicKey.x.begin());
  std::copy_n(blob.y(), 32, pair.publicKey.y.begin());
  std::copy_n(blob.secret(), 32, pair.secret.begin());
  return pair;
}

Signature SignDigest(const KeyPair& key, const Digest& digest) {
  const bcrypt::Algorithm algorithm = OpenEcdsa();
  PrivateBlob blob;
  blob.header().dwMagic = BCRYPT_ECDSA_PRIVATE_P256_MAGIC;
  blob.header().cbKey = 32;
  std::copy(key.publicKey.x.begin(), key.publicKey.x.end(), blob.x());
  std::copy(key.publicKey.y.begin(), key.publicKey.y.end(), blob.y());
  std::copy(key.secret.begin(), key.secret.end(), blob.secret());
  BCRYPT_KEY_HANDLE handle = nullptr;
  NTSTATUS status = Api()->importKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, &handle,
                                         blob.data(), blob.size(), 0);
  if (!BCRYPT_SUCCESS(status)) Fail("cannot use the private key", status);
  const bcrypt::Key imported(handle);
  Signature signature{};
  ULONG written = 0;
  // CNG signs with raw r || s, the form the signature comment carries.
  status = Api()->signHash(imported.get(), nullptr, const_cast<PUCHAR>(digest.data()),
                           static_cast<ULONG>(digest.size()), signature.data(),
                           static_cast<ULONG>(signature.size()), &written, 0);
  if (!BCRYPT_SUCCESS(status) || written != signature.size()) Fail("signing failed", status);
  return signature;
}

}  // namespace signing
