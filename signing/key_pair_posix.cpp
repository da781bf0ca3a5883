// OpenSSL 3 for the publishing tool in the native builds: making P-256 key
// pairs and signing.
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>

#include <algorithm>
#include <stdexcept>

#include "signing/key_pair.h"
#include "signing/openssl_owners.h"

namespace signing {
namespace {

constexpr char kGroup[] = "prime256v1";

Pkey ImportKeyPair(const KeyPair& key) {
  std::uint8_t point[65] = {0x04};
  std::copy(key.publicKey.x.begin(), key.publicKey.x.end(), point + 1);
  std::copy(key.publicKey.y.begin(), key.publicKey.y.end(), point + 33);
  const Bignum secret(BN_bin2bn(key.secret.data(), static_cast<int>(key.secret.size()), nullptr));
  ParamBuilder builder(OSSL_PARAM_BLD_new());
  if (!secret || !builder ||
      OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_GROUP_NAME, kGroup, 0) != 1 ||
      OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_PRIV_KEY, secret.get()) != 1 ||
      OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point) != 1)
    return nullptr;
  const Params params(OSSL_PARAM_BLD_to_param(builder.get()));
  PkeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* raw = nullptr;
  if (!params || !context || EVP_PKEY_fromdata_init(context.get()) <= 0 ||
      EVP_PKEY_fromdata(context.get(), &raw, EVP_PKEY_KEYPAIR, params.get()) <= 0)
    return nullptr;
  return Pkey(raw);
}

}  // namespace

KeyPair GenerateKeyPair() {
  const Pkey key(EVP_EC_gen(kGroup));
  if (!key) throw std::runtime_error("cannot generate a P-256 key");
  BIGNUM* rawSecret = nullptr;
  if (EVP_PKEY_get_bn_param(key.get(), OSSL_PKEY_PARAM_PRIV_KEY, &rawSecret) != 1)
    throw std::runtime_error("cannot read the new key");
  const Bignum secret(rawSecret);
  std::uint8_t point[65] = {};
  size_t length = 0;
  KeyPair pair;
  if (BN_bn2binpad(secret.get(), pair.secret.data(), static_cast<int>(pair.secret.size())) != 32 ||
      EVP_PKEY_get_octet_string_param(key.get(), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &length) !=
          1 ||
      length != sizeof point || point[0] != 0x04)
    throw std::runtime_error("cannot read the new key");
  std::copy(point + 1, point + 33, pair.publicKey.x.begin());
  std::copy(point + 33, point + 65, pair.publicKey.y.begin());
  return pair;
}

Signature SignDigest(const KeyPair& key, const Digest& digest) {
  const Pkey pkey = ImportKeyPair(key);
  if (!pkey) throw std::runtime_error("cannot use the private key");
  PkeyContext context(EVP_PKEY_CTX_new(pkey.get(), nullptr));
  std::uint8_t der[128] = {};
  size_t derSize = sizeof der;
  if (!context || EVP_PKEY_sign_init(context.get()) != 1 ||
      EVP_PKEY_sign(context.get(), der, &derSize, digest.data(), digest.size()) != 1)
    throw std::runtime_error("signing failed");
  const std::uint8_t* in = der;
  EcdsaSig sig(d2i_ECDSA_SIG(nullptr, &in, static_cast<long>(derSize)));
  if (!sig) throw std::runtime_error("signing gave an unreadable signature");
  Signature raw{};
  if (BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), raw.data(), 32) != 32 ||
      BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), raw.data() + 32, 32) != 32)
    throw std::runtime_error("signing gave an over-long signature");
  return raw;
}

}  // namespace signing
