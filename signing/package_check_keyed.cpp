// Programs built with a publisher key. ZVK_PUBLISHER_KEY_HEADER names the
// generated header that defines kPublisherKeyPem.
#include <stdexcept>

#include "signing/package_check.h"
#include "signing/package_verifier.h"
#include ZVK_PUBLISHER_KEY_HEADER

namespace signing {
namespace {

// A key that does not parse leaves the all-zero point, which is not on the
// curve: nothing verifies, so a broken build refuses every package.
const PublicKey& BuiltInKey() {
  static const PublicKey key = [] {
    PublicKey parsed;
    std::string error;
    if (!ParsePublicKeyPem(kPublisherKeyPem, parsed, error)) parsed = PublicKey{};
    return parsed;
  }();
  return key;
}

}  // namespace

struct PackageCheck::State {
  explicit State(std::uint64_t size) : verifier(size) {}
  PackageVerifier verifier;
};

bool PackageSigningEnabled() { return true; }

PackageCheck::PackageCheck(std::uint64_t packageSize) : state_(std::make_unique<State>(packageSize)) {}
PackageCheck::~PackageCheck() = default;
void PackageCheck::Update(const void* data, std::size_t size) { state_->verifier.Update(data, size); }
Verdict PackageCheck::Finish() { return state_->verifier.Finish(BuiltInKey()); }

Verdict CheckPackageFile(const std::wstring& path) {
  try {
    return VerifyPackageFile(path, BuiltInKey());
  } catch (const std::exception&) {
    return Verdict::Unreadable;
  }
}

}  // namespace signing
