#include "signing/pem.h"

#include <cstring>

namespace signing {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

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

PemBlock FindPemBlock(const std::string& text, const std::string& label, std::vector<std::uint8_t>& der) {
  const std::string begin = "-----BEGIN " + label + "-----";
  const std::string end = "-----END " + label + "-----";
  const std::size_t first = text.find(begin);
  if (first == std::string::npos) return PemBlock::Absent;
  const std::size_t body = first + begin.size();
  const std::size_t last = text.find(end, body);
  if (last == std::string::npos) return PemBlock::Absent;
  der.clear();
  return DecodeBase64(text.substr(body, last - body), der) ? PemBlock::Found : PemBlock::Broken;
}

std::string FormatPem(const std::string& label, const std::vector<std::uint8_t>& der) {
  const std::string body = EncodeBase64(der.data(), der.size());
  std::string pem = "-----BEGIN " + label + "-----\n";
  for (std::size_t i = 0; i < body.size(); i += 64) pem += body.substr(i, 64) + "\n";
  return pem + "-----END " + label + "-----\n";
}

}  // namespace signing
