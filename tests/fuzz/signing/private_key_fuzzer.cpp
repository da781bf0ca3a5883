// A private key file under arbitrary bytes: nothing crashes or reads outside
// the input, and whatever key is read writes back to a file that reads as
// the same key. The first byte picks the form: the
// rest is the DER of a PKCS#8 or SEC1 key, or the whole file's text.
// Seeds: private_key_corpus/ (the tests' key in each form).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "signing/key_pair.h"
#include "signing/pem.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

std::string FileText(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> rest(data + 1, data + size);
  switch (data[0] % 3) {
    case 0:
      return signing::FormatPem("PRIVATE KEY", rest);
    case 1:
      return signing::FormatPem("EC PRIVATE KEY", rest);
    default:
      return std::string(rest.begin(), rest.end());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  signing::KeyPair key;
  std::string error;
  if (!signing::ParsePrivateKeyPem(FileText(data, size), key, error)) {
    Require(!error.empty());
    return 0;
  }
  signing::KeyPair again;
  Require(signing::ParsePrivateKeyPem(signing::FormatPrivateKeyPem(key), again, error));
  Require(again.secret == key.secret && again.publicKey.x == key.publicKey.x &&
          again.publicKey.y == key.publicKey.y);
  return 0;
}
