#pragma once
// A strict reader of DER, the distinguished encoding of ASN.1, for the small
// structures of key files. Key files are untrusted input: the reader accepts
// one-byte tags and definite lengths in their shortest form only, keeps every
// element inside its parent, and never reads outside the bytes it was given.

#include <cstddef>
#include <cstdint>

namespace signing {

class DerReader {
 public:
  DerReader() = default;
  DerReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // Reads the next element when it has `tag`; `contents` then covers its
  // contents. False, with nothing read, when the next element has another
  // tag, is malformed or runs past the end.
  bool Read(std::uint8_t tag, DerReader& contents);
  bool NextIs(std::uint8_t tag) const { return size_ > 0 && data_[0] == tag; }
  bool AtEnd() const { return size_ == 0; }
  bool Equals(const std::uint8_t* bytes, std::size_t size) const;

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

// The tags of the elements that key files use.
namespace der {
constexpr std::uint8_t kInteger = 0x02;
constexpr std::uint8_t kBitString = 0x03;
constexpr std::uint8_t kOctetString = 0x04;
constexpr std::uint8_t kObjectId = 0x06;
constexpr std::uint8_t kSequence = 0x30;
// The context-specific fields [0] and [1] of the key structures.
constexpr std::uint8_t kField0 = 0xA0;
constexpr std::uint8_t kField1 = 0xA1;
}  // namespace der

}  // namespace signing
