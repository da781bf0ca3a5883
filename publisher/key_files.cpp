#include "publisher/key_files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/private_file.h"
#include "publisher/path_text.h"
#include "signing/crypto.h"
#include "signing/key_pair.h"

namespace publisher {
namespace {

// A key file holds a few hundred bytes; anything far larger is not one.
constexpr std::size_t kLargestKeyFile = 64 * 1024;

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
  throw std::runtime_error(path + ": " + reason);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(Utf8Path(path), std::ios::binary);
  if (!in) Fail(path, std::string("cannot open: ") + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A file whose public half is not the secret's own would sign packages that
// its public key file (and the programs built with it) refuse. CNG already
// refuses such a pair when it is imported to sign: refused the same way,
// with the file's name and CNG's reason.
void CheckHalvesBelongTogether(const std::string& path, const signing::KeyPair& pair) {
  static const char kRefusal[] = "its public key does not belong to its private key";
  const signing::Digest probe{0x7a, 0x76, 0x6b};
  bool verified = false;
  try {
    verified = signing::VerifyDigestSignature(pair.publicKey, probe, signing::SignDigest(pair, probe));
  } catch (const std::runtime_error& error) {
    Fail(path, std::string(kRefusal) + " (" + error.what() + ")");
  }
  if (!verified) Fail(path, kRefusal);
}

}  // namespace

struct PrivateKey::Impl {
  signing::KeyPair pair;
};

PrivateKey::PrivateKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PrivateKey::~PrivateKey() = default;
PrivateKey::PrivateKey(PrivateKey&&) noexcept = default;
PrivateKey& PrivateKey::operator=(PrivateKey&&) noexcept = default;

PrivateKey PrivateKey::Generate() {
  return PrivateKey(std::make_unique<Impl>(Impl{signing::GenerateKeyPair()}));
}

PrivateKey PrivateKey::Load(const std::string& path) {
  using Status = platform::PrivateFileRead::Status;
  const platform::PrivateFileRead file = platform::ReadPrivateFile(WidePath(Utf8Path(path)), kLargestKeyFile);
  if (file.status == Status::Unreadable) Fail(path, "cannot open: " + file.reason);
  if (file.status == Status::Exposed) Fail(path, "private key " + file.reason + " (and consider it exposed)");
  if (file.status == Status::TooLarge) Fail(path, "not a PEM private key (far too large for one)");
  auto impl = std::make_unique<Impl>();
  std::string error;
  if (!signing::ParsePrivateKeyPem(file.bytes, impl->pair, error)) Fail(path, error);
  CheckHalvesBelongTogether(path, impl->pair);
  return PrivateKey(std::move(impl));
}

void PrivateKey::Save(const std::string& path) const {
  std::string error;
  if (!platform::WritePrivateFile(WidePath(Utf8Path(path)), signing::FormatPrivateKeyPem(impl_->pair), error))
    Fail(path, "cannot create: " + error);
}

signing::PublicKey PrivateKey::Public() const { return impl_->pair.publicKey; }

signing::Signature PrivateKey::Sign(const signing::Digest& digest) const {
  return signing::SignDigest(impl_->pair, digest);
}

signing::PublicKey LoadPublicKey(const std::string& path) {
  signing::PublicKey key;
  std::string error;
  if (!signing::ParsePublicKeyPem(ReadText(path), key, error)) Fail(path, error);
  return key;
}

void SavePublicKey(const signing::PublicKey& key, const std::string& path) {
  std::ofstream out(Utf8Path(path), std::ios::binary | std::ios::trunc);
  out << signing::FormatPublicKeyPem(key);
  out.close();
  if (!out) Fail(path, "cannot write the public key");
}

}  // namespace publisher
