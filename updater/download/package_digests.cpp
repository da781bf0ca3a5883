#include "updater/download/package_digests.h"

#include <cstdint>

PackageDigests::PackageDigests() : consumers_{&md5_} {}

void PackageDigests::Update(const char* data, std::size_t size) {
  for (DigestConsumer* consumer : consumers_) consumer->Update(data, size);
}

std::string PackageDigests::Md5Hex() {
  std::uint8_t digest[16];
  md5_.context.Final(digest);
  return MD5_CTX::ToHex(digest);
}
