#pragma once
// The digests an attempt checks, fed with the package's bytes in order by one
// pass: segment 0 as it arrives, the rest while the segments are joined.

#include <cstddef>
#include <string>
#include <vector>

#include "updater/download/md5.h"

// Takes the package's bytes in order.
class DigestConsumer {
 public:
  virtual ~DigestConsumer() = default;
  virtual void Update(const char* data, std::size_t size) = 0;
};

class PackageDigests {
 public:
  PackageDigests();
  PackageDigests(const PackageDigests&) = delete;
  PackageDigests& operator=(const PackageDigests&) = delete;

  // Hands the next bytes of the package to every consumer.
  void Update(const char* data, std::size_t size);
  // The MD5 as 32 lower-case hexadecimal characters; call once, at the end.
  std::string Md5Hex();

 private:
  class Md5Consumer : public DigestConsumer {
   public:
    void Update(const char* data, std::size_t size) override { context.Update(data, size); }
    MD5_CTX context;
  };

  Md5Consumer md5_;
  std::vector<DigestConsumer*> consumers_;
};
