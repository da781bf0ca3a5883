#pragma once
// The digests an attempt checks, fed with the package's bytes in order by one
// pass: segment 0 as it arrives, the rest while the segments are joined.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "release/sha256.h"
#include "signing/verdict.h"
#include "updater/download/md5.h"

namespace signing {
class PackageCheck;
}

// Takes the package's bytes in order.
class DigestConsumer {
 public:
  virtual ~DigestConsumer() = default;
  virtual void Update(const char* data, std::size_t size) = 0;
};

class PackageDigests {
 public:
  PackageDigests();
  // Also checks the signature of a package of that size, in builds with a
  // publisher key (signing/package_check.h); keyless builds check nothing.
  explicit PackageDigests(std::uint64_t packageSize);
  // Also takes the SHA-256, for a package whose digest a signed release
  // manifest names.
  PackageDigests(std::uint64_t packageSize, bool withSha256);
  ~PackageDigests();
  PackageDigests(const PackageDigests&) = delete;
  PackageDigests& operator=(const PackageDigests&) = delete;

  // Hands the next bytes of the package to every consumer.
  void Update(const char* data, std::size_t size);
  // The MD5 as 32 lower-case hexadecimal characters; call once, at the end.
  std::string Md5Hex();
  // Valid when the package may be installed (always without a signature
  // check); otherwise why not. Call once, at the end.
  signing::Verdict SignatureVerdict();
  // The SHA-256 of the bytes given; call once, at the end, and only on
  // digests made with it.
  release::Digest Sha256();

 private:
  class Md5Consumer : public DigestConsumer {
   public:
    void Update(const char* data, std::size_t size) override { context.Update(data, size); }
    MD5_CTX context;
  };

  class SignatureConsumer : public DigestConsumer {
   public:
    explicit SignatureConsumer(std::uint64_t packageSize);
    ~SignatureConsumer() override;
    void Update(const char* data, std::size_t size) override;
    signing::Verdict Finish();

   private:
    std::unique_ptr<signing::PackageCheck> check_;  // null when it could not start
  };

  class Sha256Consumer : public DigestConsumer {
   public:
    void Update(const char* data, std::size_t size) override { hash.Update(data, size); }
    release::Sha256 hash;
  };

  Md5Consumer md5_;
  std::unique_ptr<Sha256Consumer> sha256_;        // null unless asked for
  std::unique_ptr<SignatureConsumer> signature_;  // null when nothing is checked
  std::vector<DigestConsumer*> consumers_;
};
