#include "updater/download/package_digests.h"

#include <cstdint>
#include <exception>

#include "logging/n_log.h"
#include "signing/package_check.h"

PackageDigests::PackageDigests() : consumers_{&md5_} {}

PackageDigests::PackageDigests(std::uint64_t packageSize) : consumers_{&md5_} {
  if (!signing::PackageSigningEnabled()) return;
  signature_ = std::make_unique<SignatureConsumer>(packageSize);
  consumers_.push_back(signature_.get());
}

PackageDigests::PackageDigests(std::uint64_t packageSize, bool withSha256) : PackageDigests(packageSize) {
  if (!withSha256) return;
  sha256_ = std::make_unique<Sha256Consumer>();
  consumers_.push_back(sha256_.get());
}

PackageDigests::~PackageDigests() = default;

release::Digest PackageDigests::Sha256() { return sha256_ ? sha256_->hash.Finish() : release::Digest{}; }

PackageDigests::SignatureConsumer::SignatureConsumer(std::uint64_t packageSize) {
  try {
    check_ = std::make_unique<signing::PackageCheck>(packageSize);
  } catch (const std::exception& e) {
    ZM_ERROR << "cannot check the package signature: " << e.what();
  }
}

PackageDigests::SignatureConsumer::~SignatureConsumer() = default;

void PackageDigests::SignatureConsumer::Update(const char* data, std::size_t size) {
  if (check_) check_->Update(data, size);
}

// A check that could not start refuses the package.
signing::Verdict PackageDigests::SignatureConsumer::Finish() {
  return check_ ? check_->Finish() : signing::Verdict::Unreadable;
}

signing::Verdict PackageDigests::SignatureVerdict() {
  return signature_ ? signature_->Finish() : signing::Verdict::Valid;
}

void PackageDigests::Update(const char* data, std::size_t size) {
  for (DigestConsumer* consumer : consumers_) consumer->Update(data, size);
}

std::string PackageDigests::Md5Hex() {
  std::uint8_t digest[16];
  md5_.context.Final(digest);
  return MD5_CTX::ToHex(digest);
}
