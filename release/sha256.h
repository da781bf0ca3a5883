#pragma once
// SHA-256 (FIPS 180-4) of our own, without any system library, so that
// zlib.dll and the launcher can digest an installation's files. Blocks are
// compressed with the processor's SHA instructions where it has them (chosen
// once, at the first use), otherwise in portable code.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace release {

using Digest = std::array<std::uint8_t, 32>;

// Incremental hash. One thread at a time per object; objects are independent.
class Sha256 {
 public:
  Sha256();
  void Update(const void* data, std::size_t size);
  // Ends the hash and starts the object anew.
  Digest Finish();

 private:
  std::uint32_t state_[8];
  std::uint8_t buffer_[64];
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

Digest Sha256Of(const void* data, std::size_t size);

// 64 lower-case hex digits.
std::string DigestHex(const Digest& digest);
// Accepts exactly 64 lower-case hex digits.
bool ParseDigestHex(const std::string& text, Digest& digest);

namespace detail {

using CompressFunction = void (*)(std::uint32_t state[8], const std::uint8_t* blocks, std::size_t count);
void CompressPortable(std::uint32_t state[8], const std::uint8_t* blocks, std::size_t count);
const std::uint32_t* RoundConstants();  // the 64 constants of FIPS 180-4, 4.2.2
// The SHA-extensions compression when this processor has them, else nullptr.
CompressFunction AcceleratedCompress();
// Which of the two Sha256 uses; tests switch it to compare both.
void UseCompress(CompressFunction compress);

}  // namespace detail
}  // namespace release
