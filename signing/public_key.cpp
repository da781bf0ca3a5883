#include "signing/public_key.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace signing {
namespace {

constexpr char kBegin[] = "-----BEGIN PUBLIC KEY-----";
constexpr char kEnd[] = "-----END PUBLIC KEY-----";
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// DER of SubjectPublicKeyInfo { id-ecPublicKey, prime256v1 } up to the
// uncompressed point's 0x04 marker: every P-256 key starts with these bytes.
constexpr std::uint8_t kP256Prefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                        0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                        0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
constexpr std::size_t kDerSize = sizeof kP256Prefix + 64;

bool DecodeBase64(const std::string& text, std::vector<std::uint8_t>& out) {
  std::uint32_t bits = 0;
  int count = 0;
  std::size_t padding = 0;
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    const char* found = std::strchr(kAlphabet, c);
    if (found == nullptr || c == '\0' || padding != 0) return false;
    bits = (bits << 6) | static_cast<std::uint32_t>(found - kAlphabet);
    if (++count == 4) {
      out.push_back(static_cast<std::uint8_t>(bits >> 16));
      out.push_back(static_cast<std::uint8_t>(bits >> 8));
      out.push_back(static_cast<std::uint8_t>(bits));
      bits = 0;
      count = 0;
    }
  }
  if (count == 1 || padding > 2) return false;
  if (count == 2) out.push_back(static_cast<std::uint8_t>(bits >> 4));
  if (count == 3) {
    out.push_back(static_cast<std::uint8_t>(bits >> 10));
    out.push_back(static_cast<std::uint8_t>(bits >> 2));
  }
  return true;
}

std::string EncodeBase64(const std::uint8_t* data, std::size_t size) {
  std::string out;
  for (std::size_t i = 0; i < size; i += 3) {
    const std::uint32_t left = static_cast<std::uint32_t>(size - i);
    std::uint32_t bits = static_cast<std::uint32_t>(data[i]) << 16;
    if (left > 1) bits |= static_cast<std::uint32_t>(data[i + 1]) << 8;
    if (left > 2) bits |= data[i + 2];
    for (std::uint32_t k = 0; k < 4; ++k) {
      out.push_back(k <= left ? kAlphabet[(bits >> (18 - 6 * k)) & 0x3F] : '=');
    }
  }
  return out;
}

}  // namespace

bool ParsePublicKeyPem(const std::string& pem, PublicKey& key, std::string& error) {
  const std::size_t begin = pem.find(kBegin);
  const std::size_t end = pem.find(kEnd);
  if (begin == std::string::npos || end == std::string::npos || end < begin) {
    error = "not a PEM public key (no BEGIN/END PUBLIC KEY lines)";
    return false;
  }
  const std::size_t body = begin + sizeof kBegin - 1;
  std::vector<std::uint8_t> der;
  if (!DecodeBase64(pem.substr(body, end - body), der)) {
    error = "broken base64 in the PEM body";
    return false;
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
  const std::string body = EncodeBase64(der.data(), der.size());
  std::string pem = std::string(kBegin) + "\n";
  for (std::size_t i = 0; i < body.size(); i += 64) pem += body.substr(i, 64) + "\n";
  return pem + kEnd + "\n";
}

}  // namespace signing
