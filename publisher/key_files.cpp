#include "publisher/key_files.h"

#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "signing/openssl_owners.h"

namespace publisher {
namespace {

using signing::Bio;
using signing::EcdsaSig;
using signing::Pkey;
using signing::PkeyContext;

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
  throw std::runtime_error(path + ": " + reason);
}

bool IsP256(EVP_PKEY* key) {
  char group[64] = {};
  size_t length = 0;
  return EVP_PKEY_is_a(key, "EC") &&
         EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, &length) == 1 &&
         std::strcmp(group, "prime256v1") == 0;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, std::string("cannot open: ") + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

struct PrivateKey::Impl {
  Pkey key;
};

PrivateKey::PrivateKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PrivateKey::~PrivateKey() = default;
PrivateKey::PrivateKey(PrivateKey&&) noexcept = default;
PrivateKey& PrivateKey::operator=(PrivateKey&&) noexcept = default;

PrivateKey PrivateKey::Generate() {
  Pkey key(EVP_EC_gen("prime256v1"));
  if (!key) throw std::runtime_error("cannot generate a P-256 key");
  return PrivateKey(std::make_unique<Impl>(Impl{std::move(key)}));
}

PrivateKey PrivateKey::Load(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) Fail(path, std::string("cannot open: ") + std::strerror(errno));
  if ((info.st_mode & 077) != 0)
    Fail(path, "private key readable by others; chmod 600 it (and consider it exposed)");
  const std::string text = ReadText(path);
  Bio bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
  Pkey key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
  if (!key) Fail(path, "not a PEM private key (or it is encrypted)");
  if (!IsP256(key.get())) Fail(path, "not an ECDSA P-256 key");
  return PrivateKey(std::make_unique<Impl>(Impl{std::move(key)}));
}

void PrivateKey::Save(const std::string& path) const {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) Fail(path, std::string("cannot create: ") + std::strerror(errno));
  Bio bio(BIO_new_fd(fd, BIO_CLOSE));
  if (!bio ||
      PEM_write_bio_PrivateKey(bio.get(), impl_->key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
      BIO_flush(bio.get()) != 1) {
    bio.reset();
    ::unlink(path.c_str());
    Fail(path, "cannot write the private key");
  }
}

signing::PublicKey PrivateKey::Public() const {
  std::uint8_t point[65] = {};
  size_t length = 0;
  if (EVP_PKEY_get_octet_string_param(impl_->key.get(), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point,
                                      &length) != 1 ||
      length != sizeof point || point[0] != 0x04)
    throw std::runtime_error("cannot read the public half of the key");
  signing::PublicKey key;
  std::copy(point + 1, point + 33, key.x.begin());
  std::copy(point + 33, point + 65, key.y.begin());
  return key;
}

signing::Signature PrivateKey::Sign(const signing::Digest& digest) const {
  PkeyContext context(EVP_PKEY_CTX_new(impl_->key.get(), nullptr));
  std::uint8_t der[128] = {};
  size_t derSize = sizeof der;
  if (!context || EVP_PKEY_sign_init(context.get()) != 1 ||
      EVP_PKEY_sign(context.get(), der, &derSize, digest.data(), digest.size()) != 1)
    throw std::runtime_error("signing failed");
  const std::uint8_t* in = der;
  EcdsaSig sig(d2i_ECDSA_SIG(nullptr, &in, static_cast<long>(derSize)));
  if (!sig) throw std::runtime_error("signing gave an unreadable signature");
  signing::Signature raw{};
  if (BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), raw.data(), 32) != 32 ||
      BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), raw.data() + 32, 32) != 32)
    throw std::runtime_error("signing gave an over-long signature");
  return raw;
}

signing::PublicKey LoadPublicKey(const std::string& path) {
  signing::PublicKey key;
  std::string error;
  if (!signing::ParsePublicKeyPem(ReadText(path), key, error)) Fail(path, error);
  return key;
}

void SavePublicKey(const signing::PublicKey& key, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << signing::FormatPublicKeyPem(key);
  out.close();
  if (!out) Fail(path, "cannot write the public key");
}

}  // namespace publisher
