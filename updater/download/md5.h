#pragma once
// MD5 message digest (RFC 1321), used to verify a downloaded package.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

class MD5_CTX {
 public:
  MD5_CTX();
  virtual ~MD5_CTX() = default;

  // Adds bytes to the message; may be called any number of times.
  void Update(const void* data, std::size_t length);
  // Pads the message and writes the 16-byte digest. The context must be
  // Reset() before it is used again.
  void Final(std::uint8_t digest[16]);
  void Reset();

  // Digest of a whole file as 32 lower-case hexadecimal characters, read in
  // blocks so that the file never has to fit in memory. Returns false (and
  // leaves hexDigest empty) when the file cannot be opened or read.
  static bool DigestFile(const std::filesystem::path& path, std::string& hexDigest);

  static std::string ToHex(const std::uint8_t digest[16]);

 private:
  void Transform(const std::uint8_t block[64]);

  std::uint32_t state_[4];
  std::uint64_t bitCount_;
  std::uint8_t buffer_[64];
};
