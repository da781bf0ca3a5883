#include "publisher/package_signer.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "publisher/package_writer.h"
#include "publisher/path_text.h"
#include "signing/crypto.h"

namespace fs = std::filesystem;

namespace publisher {
namespace {

constexpr std::uint64_t kLongestComment = 0xFFFF;

[[noreturn]] void Fail(const fs::path& path, const std::string& reason) {
  throw std::runtime_error(Utf8Text(path) + ": " + reason);
}

std::uint32_t ReadLe32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Offset of the end record whose comment ends the file.
std::uint64_t FindEndRecord(const fs::path& package, std::uint64_t size) {
  if (size < signing::kEndRecordSize) Fail(package, "not a zip archive (too short)");
  const std::uint64_t window = std::min(size, signing::kEndRecordSize + kLongestComment);
  std::vector<unsigned char> tail(static_cast<std::size_t>(window));
  std::ifstream in(package, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(size - window));
  if (!in.read(reinterpret_cast<char*>(tail.data()), static_cast<std::streamsize>(window)))
    Fail(package, "cannot read");
  for (std::size_t at = tail.size() - signing::kEndRecordSize + 1; at-- > 0;) {
    const unsigned char* record = tail.data() + at;
    const std::size_t comment = record[20] | record[21] << 8;
    if (ReadLe32(record) == signing::kEndRecordMagic && at + signing::kEndRecordSize + comment == tail.size())
      return size - window + at;
  }
  Fail(package, "not a zip archive (no end of central directory record)");
}

}  // namespace

void SignPackage(const fs::path& package, const PrivateKey& key, signing::SignatureFormat format) {
  std::error_code error;
  const std::uint64_t size = fs::file_size(package, error);
  if (error) Fail(package, "cannot read: " + error.message());
  const std::uint64_t signedLength = FindEndRecord(package, size) + signing::kEndRecordSize - 2;

  PartialFile partial(package);
  std::ifstream in(package, std::ios::binary);
  std::ofstream out(partial.path(), std::ios::binary | std::ios::trunc);
  if (!in || !out) Fail(package, "cannot open for signing");
  signing::Sha256 hash;
  std::vector<char> block(1 << 20);
  for (std::uint64_t left = signedLength; left > 0;) {
    const auto want = static_cast<std::streamsize>(std::min<std::uint64_t>(left, block.size()));
    if (!in.read(block.data(), want)) Fail(package, "read error");
    hash.Update(block.data(), static_cast<std::size_t>(want));
    out.write(block.data(), want);
    left -= static_cast<std::uint64_t>(want);
  }
  const std::size_t commentSize = signing::kCommentSize;
  const char length[2] = {static_cast<char>(commentSize & 0xFF), static_cast<char>(commentSize >> 8)};
  if (format == signing::SignatureFormat::V2) {
    hash.Update(length, sizeof length);
    hash.Update(signing::kCommentTagV2, signing::kCommentTagSize);
  }
  const std::string comment = signing::FormatSignatureComment(key.Sign(hash.Finish()), format);
  out.write(length, 2);
  out.write(comment.data(), static_cast<std::streamsize>(comment.size()));
  out.close();
  if (!out) Fail(partial.path(), "cannot write (disk full?)");
  // Windows renames nothing over a file that is still open.
  in.close();
  fs::permissions(partial.path(), fs::status(package).permissions(), error);
  partial.Commit();
}

}  // namespace publisher
