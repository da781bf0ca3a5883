#include "signing/public_key.h"

#include <algorithm>
#include <vector>

#include "signing/pem.h"

namespace signing {
namespace {

constexpr char kLabel[] = "PUBLIC KEY";

// DER of SubjectPublicKeyInfo { id-ecPublicKey, prime256v1 } up to the
// uncompressed point's 0x04 marker: every P-256 key starts with these bytes.
constexpr std::uint8_t kP256Prefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                        0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                        0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
constexpr std::size_t kDerSize = sizeof kP256Prefix + 64;

}  // namespace

bool ParsePublicKeyPem(const std::string& pem, PublicKey& key, std::string& error) {
  std::vector<std::uint8_t> der;
  switch (FindPemBlock(pem, kLabel, der)) {
    case PemBlock::Absent:
      error = "not a PEM public key (no BEGIN/END PUBLIC KEY lines)";
      return false;
    case PemBlock::Broken:
      error = "broken base64 in the PEM body";
      return false;
    case PemBlock::Found:
      break;
  }
  if (der.size() != kDerSize || !std::equal(std::begin(kP256Prefix), std::end(kP256Prefix), der.begin())) {
    error = "not an ECDSA P-256 public key";
    return false;
  }
  std::copy_n(der.begin() + sizeof kP256Prefix, 32, key.x.begin());
  std::copy_n(der.begin() + sizeof kP256Prefix + 32, 32, key.y.begin());
  return true;
}

std::string FormatPublicKeyPem(const PublicKey& key) {
  std::vector<std::uint8_t> der(std::begin(kP256Prefix), std::end(kP256Prefix));
  der.insert(der.end(), key.x.begin(), key.x.end());
  der.insert(der.end(), key.y.begin(), key.y.end());
  return FormatPem(kLabel, der);
}

}  // namespace signing
