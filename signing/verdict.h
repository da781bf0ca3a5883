#pragma once
// The outcome of a package's signature check. Header-only, so that programs
// built without a publisher key mention verdicts without linking any crypto.

namespace signing {

enum class Verdict {
  Valid,         // signed by the key, not altered since
  Unsigned,      // the archive comment holds no package signature
  Malformed,     // a signature comment that cannot be read
  BadSignature,  // altered after signing, or signed with another key
  Unreadable,    // the bytes could not be read (size differs, read error)
};

// A short English reason for log lines and the tool's messages.
inline const char* DescribeVerdict(Verdict verdict) {
  switch (verdict) {
    case Verdict::Valid:
      return "signature valid";
    case Verdict::Unsigned:
      return "unsigned: the archive comment holds no package signature";
    case Verdict::Malformed:
      return "malformed signature comment";
    case Verdict::BadSignature:
      return "bad signature: altered after signing, or signed with another key";
    case Verdict::Unreadable:
      return "cannot read the whole package";
  }
  return "unknown verdict";
}

}  // namespace signing
