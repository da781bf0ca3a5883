#include "signing/package_verifier.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "signing/crypto.h"

namespace signing {

PackageVerifier::PackageVerifier(std::uint64_t packageSize)
    : packageSize_(packageSize),
      signedLength_(SignedLength(packageSize)),
      tailStart_(packageSize >= kSignedTailSize ? packageSize - kSignedTailSize : 0),
      hash_(std::make_unique<Sha256>()) {}

PackageVerifier::~PackageVerifier() = default;

void PackageVerifier::Update(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  const std::uint64_t start = fed_;
  const std::uint64_t end = fed_ + size;
  fed_ = end;
  if (start < signedLength_) {
    hash_->Update(bytes, static_cast<std::size_t>(std::min(end, signedLength_) - start));
  }
  const std::uint64_t tailEnd = std::min<std::uint64_t>(end, tailStart_ + kSignedTailSize);
  if (end > tailStart_ && start < tailEnd) {
    const std::uint64_t from = std::max(start, tailStart_);
    std::memcpy(tail_ + (from - tailStart_), bytes + (from - start),
                static_cast<std::size_t>(tailEnd - from));
  }
}

Verdict PackageVerifier::Finish(const PublicKey& key) {
  if (fed_ != packageSize_) return Verdict::Unreadable;
  Signature signature{};
  SignatureFormat format = SignatureFormat::V1;
  const std::size_t tailSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(packageSize_, kSignedTailSize));
  switch (ParseSignedTail(tail_, tailSize, signature, format)) {
    case TailKind::Unsigned:
      return Verdict::Unsigned;
    case TailKind::Malformed:
      return Verdict::Malformed;
    case TailKind::Signed:
      break;
  }
  // Format 2 signs the comment length and the tag too (they follow the range).
  if (format == SignatureFormat::V2) hash_->Update(tail_ + kEndRecordSize - 2, kSignedTagBytes);
  digest_ = hash_->Finish();
  return VerifyDigestSignature(key, digest_, signature) ? Verdict::Valid : Verdict::BadSignature;
}

Verdict VerifyPackageFile(const std::wstring& path, const PublicKey& key) {
  platform::File file = platform::File::OpenForRead(path);
  if (!file.isOpen()) return Verdict::Unreadable;
  return VerifyPackage(file, key);
}

Verdict VerifyPackage(platform::File& file, const PublicKey& key) {
  const std::int64_t size = file.seek(0, platform::SeekOrigin::End);
  if (size < 0 || file.seek(0, platform::SeekOrigin::Begin) != 0) return Verdict::Unreadable;
  PackageVerifier verifier(static_cast<std::uint64_t>(size));
  std::vector<std::uint8_t> block(1 << 20);
  for (;;) {
    const std::int64_t got = file.read(block.data(), block.size());
    if (got < 0) return Verdict::Unreadable;
    if (got == 0) break;
    verifier.Update(block.data(), static_cast<std::size_t>(got));
  }
  return verifier.Finish(key);
}

}  // namespace signing
