// OpenSSL 3 for the native builds (the publishing tool and the unit tests).
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <stdexcept>
#include <vector>

#include "signing/crypto.h"
#include "signing/openssl_owners.h"

namespace signing {
namespace {

Pkey ImportPublicKey(const PublicKey& key) {
  std::uint8_t point[65] = {0x04};
  std::copy(key.x.begin(), key.x.end(), point + 1);
  std::copy(key.y.begin(), key.y.end(), point + 33);
  char group[] = "prime256v1";
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group, 0),
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point),
      OSSL_PARAM_construct_end()};
  PkeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* raw = nullptr;
  if (!context || EVP_PKEY_fromdata_init(context.get()) <= 0 ||
      EVP_PKEY_fromdata(context.get(), &raw, EVP_PKEY_PUBLIC_KEY, const_cast<OSSL_PARAM*>(params)) <= 0)
    return nullptr;
  return Pkey(raw);
}

// The DER form OpenSSL verifies, from raw r || s.
std::vector<std::uint8_t> ToDer(const Signature& signature) {
  EcdsaSig sig(ECDSA_SIG_new());
  BIGNUM* r = BN_bin2bn(signature.data(), 32, nullptr);
  BIGNUM* s = BN_bin2bn(signature.data() + 32, 32, nullptr);
  if (!sig || r == nullptr || s == nullptr || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
    BN_free(r);
    BN_free(s);
    return {};
  }
  const int size = i2d_ECDSA_SIG(sig.get(), nullptr);
  if (size <= 0) return {};
  std::vector<std::uint8_t> der(static_cast<std::size_t>(size));
  std::uint8_t* out = der.data();
  i2d_ECDSA_SIG(sig.get(), &out);
  return der;
}

}  // namespace

struct Sha256::State {
  MdContext context{EVP_MD_CTX_new()};
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  if (!state_->context || EVP_DigestInit_ex(state_->context.get(), EVP_sha256(), nullptr) != 1)
    throw std::runtime_error("SHA-256 is not available");
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t size) {
  EVP_DigestUpdate(state_->context.get(), data, size);
}

Digest Sha256::Finish() {
  Digest digest{};
  unsigned int size = 0;
  EVP_DigestFinal_ex(state_->context.get(), digest.data(), &size);
  return digest;
}

bool VerifyDigestSignature(const PublicKey& key, const Digest& digest, const Signature& signature) {
  const Pkey pkey = ImportPublicKey(key);
  if (!pkey) return false;
  const std::vector<std::uint8_t> der = ToDer(signature);
  if (der.empty()) return false;
  PkeyContext context(EVP_PKEY_CTX_new(pkey.get(), nullptr));
  if (!context || EVP_PKEY_verify_init(context.get()) <= 0) return false;
  return EVP_PKEY_verify(context.get(), der.data(), der.size(), digest.data(), digest.size()) == 1;
}

}  // namespace signing
