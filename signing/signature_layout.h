#pragma once
// Where a package signature lives and which bytes it covers. The format is
// described once, for publishers and readers alike, in signing/README.md.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace signing {

// ECDSA P-256 signature as raw r || s, 32 bytes each, big-endian.
using Signature = std::array<std::uint8_t, 64>;
// SHA-256 digest of the signed range.
using Digest = std::array<std::uint8_t, 32>;

// Fixed-size end-of-central-directory record (without its comment).
constexpr std::size_t kEndRecordSize = 22;
constexpr std::uint32_t kEndRecordMagic = 0x06054b50;
// The tag, then the signature as 128 lower-case hex digits. The digit is the
// format version: 1 signs the archive up to the comment length field; 2 (a
// package that carries a release manifest) also signs the comment length and
// the tag, so that no one can pass one format off as the other.
enum class SignatureFormat { V1, V2 };
constexpr char kCommentTag[] = "ZVKSIG1:";
constexpr char kCommentTagV2[] = "ZVKSIG2:";
constexpr std::size_t kCommentTagSize = sizeof kCommentTag - 1;
static_assert(sizeof kCommentTagV2 == sizeof kCommentTag, "both tags have one length");
// What format 2 signs after the range of format 1: comment length and tag.
constexpr std::size_t kSignedTagBytes = 2 + kCommentTagSize;
constexpr std::size_t kCommentSize = kCommentTagSize + 2 * std::tuple_size<Signature>::value;
// What a signed package ends with: the end record and its signature comment.
constexpr std::size_t kSignedTailSize = kEndRecordSize + kCommentSize;

// Length of the range that both formats sign, of a signed package of
// `packageSize` bytes: everything before the end record's comment length
// field. 0 when the package is too small to carry a signature.
std::uint64_t SignedLength(std::uint64_t packageSize);

// The comment text for a signature.
std::string FormatSignatureComment(const Signature& signature, SignatureFormat format = SignatureFormat::V1);

enum class TailKind {
  Signed,     // the end record carries a well-formed signature comment
  Unsigned,   // no signature comment where it must be
  Malformed,  // the signature tag is there but the rest is not a signature
};

// Reads the last kSignedTailSize bytes of a package (fewer when the package
// is shorter). On Signed, `signature` holds the decoded signature and
// `format` the tag's format.
TailKind ParseSignedTail(const std::uint8_t* tail, std::size_t size, Signature& signature,
                         SignatureFormat& format);

}  // namespace signing
