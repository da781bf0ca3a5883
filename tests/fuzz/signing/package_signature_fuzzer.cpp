// A package's tail and a public key's PEM under arbitrary bytes: nothing
// crashes, only a well-formed tail reaches the ECDSA check, and no random
// input is ever judged Valid. Seed it with tests/unit/signing/signed_package.zip.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "signing/package_verifier.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

const signing::PublicKey& TestKey() {
  static const signing::PublicKey key = [] {
    std::ifstream in(ZVK_TEST_PUBLIC_KEY);
    const std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    signing::PublicKey parsed;
    std::string error;
    Require(signing::ParsePublicKeyPem(pem, parsed, error));
    return parsed;
  }();
  return key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  signing::PublicKey key;
  std::string error;
  signing::ParsePublicKeyPem(std::string(reinterpret_cast<const char*>(data), size), key, error);

  signing::PackageVerifier verifier(size);
  const std::size_t half = size / 2;
  verifier.Update(data, half);
  verifier.Update(data + half, size - half);
  Require(verifier.Finish(TestKey()) != signing::Verdict::Valid);
  return 0;
}
