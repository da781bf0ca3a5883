#include "signing/der_reader.h"

#include <cstring>

namespace signing {
namespace {

// Key structures stay far below this; longer lengths are refused.
constexpr std::size_t kLongestElement = 0xFFFF;

}  // namespace

bool DerReader::Read(std::uint8_t tag, DerReader& contents) {
  if (size_ < 2 || data_[0] != tag) return false;
  std::size_t header = 2;
  std::size_t length = data_[1];
  if (length == 0x81 || length == 0x82) {
    const std::size_t digits = length - 0x80;
    if (size_ < 2 + digits) return false;
    length = 0;
    for (std::size_t i = 0; i < digits; ++i) length = (length << 8) | data_[2 + i];
    header += digits;
    // The shortest form only: one length byte below 0x80, no leading zero byte.
    if (length < 0x80 || (digits == 2 && length <= 0xFF) || length > kLongestElement) return false;
  } else if (length >= 0x80) {
    return false;  // indefinite or longer than any key structure
  }
  if (length > size_ - header) return false;
  contents = DerReader(data_ + header, length);
  data_ += header + length;
  size_ -= header + length;
  return true;
}

bool DerReader::Equals(const std::uint8_t* bytes, std::size_t size) const {
  return size == size_ && (size == 0 || std::memcmp(bytes, data_, size) == 0);
}

}  // namespace signing
