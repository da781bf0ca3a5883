#include "signing/signature_layout.h"

#include <cstring>

namespace signing {
namespace {

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t ReadLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

int HexValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::uint64_t SignedLength(std::uint64_t packageSize) {
  if (packageSize < kSignedTailSize) return 0;
  return packageSize - kCommentSize - 2;
}

std::string FormatSignatureComment(const Signature& signature, SignatureFormat format) {
  static const char kHex[] = "0123456789abcdef";
  std::string comment(format == SignatureFormat::V2 ? kCommentTagV2 : kCommentTag);
  for (std::uint8_t byte : signature) {
    comment.push_back(kHex[byte >> 4]);
    comment.push_back(kHex[byte & 0x0F]);
  }
  return comment;
}

TailKind ParseSignedTail(const std::uint8_t* tail, std::size_t size, Signature& signature,
                         SignatureFormat& format) {
  if (size != kSignedTailSize) return TailKind::Unsigned;
  if (ReadLe32(tail) != kEndRecordMagic) return TailKind::Unsigned;
  const std::uint8_t* comment = tail + kEndRecordSize;
  if (std::memcmp(comment, kCommentTag, kCommentTagSize) == 0) {
    format = SignatureFormat::V1;
  } else if (std::memcmp(comment, kCommentTagV2, kCommentTagSize) == 0) {
    format = SignatureFormat::V2;
  } else {
    return TailKind::Unsigned;
  }
  if (ReadLe16(tail + kEndRecordSize - 2) != kCommentSize) return TailKind::Malformed;
  const std::uint8_t* hex = comment + kCommentTagSize;
  for (std::size_t i = 0; i < signature.size(); ++i) {
    const int high = HexValue(hex[2 * i]);
    const int low = HexValue(hex[2 * i + 1]);
    if (high < 0 || low < 0) return TailKind::Malformed;
    signature[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return TailKind::Signed;
}

}  // namespace signing
