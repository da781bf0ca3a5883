// SHA-256 block compression with the x86 SHA extensions (SHA-NI), about five
// times the portable code's speed; used only where the processor reports them.
#include "release/sha256.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

// The 32-bit Windows ABI keeps the stack 4-byte aligned; vector spills need 16.
#if defined(__i386__)
#define ZVK_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3"), force_align_arg_pointer))
#else
#define ZVK_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))
#endif

namespace release {
namespace detail {
namespace {

bool HasShaExtensions() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  const bool ssse3 = (ecx & (1u << 9)) != 0;
  const bool sse41 = (ecx & (1u << 19)) != 0;
  if (!ssse3 || !sse41 || __get_cpuid_max(0, nullptr) < 7) return false;
  __cpuid_count(7, 0, eax, ebx, ecx, edx);
  return (ebx & (1u << 29)) != 0;
}

// Four rounds: the message words plus their constants, two rounds at a time.
ZVK_SHA_TARGET inline void FourRounds(__m128i& abef, __m128i& cdgh, __m128i words, const std::uint32_t* k) {
  __m128i input = _mm_add_epi32(words, _mm_loadu_si128(reinterpret_cast<const __m128i*>(k)));
  cdgh = _mm_sha256rnds2_epu32(cdgh, abef, input);
  input = _mm_shuffle_epi32(input, 0x0E);
  abef = _mm_sha256rnds2_epu32(abef, cdgh, input);
}

ZVK_SHA_TARGET void CompressShaNi(std::uint32_t state[8], const std::uint8_t* blocks, std::size_t count) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  const std::uint32_t* k = RoundConstants();
  // The instructions keep the state as (A,B,E,F) and (C,D,G,H).
  __m128i dcba = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
  __m128i hgfe = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
  __m128i abef = _mm_alignr_epi8(dcba, hgfe, 8);
  __m128i cdgh = _mm_blend_epi16(hgfe, dcba, 0xF0);
  for (; count > 0; --count, blocks += 64) {
    const __m128i savedAbef = abef;
    const __m128i savedCdgh = cdgh;
    __m128i w[4];
    for (int i = 0; i < 4; ++i) {
      w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byteSwap);
      FourRounds(abef, cdgh, w[i], k + 4 * i);
    }
    for (int group = 4; group < 16; ++group) {
      // W[t] = s1(W[t-2]) + W[t-7] + s0(W[t-15]) + W[t-16], four words at a time.
      __m128i& oldest = w[group % 4];
      const __m128i& previous = w[(group + 3) % 4];
      const __m128i& beforePrevious = w[(group + 2) % 4];
      __m128i next = _mm_sha256msg1_epu32(oldest, w[(group + 1) % 4]);
      next = _mm_add_epi32(next, _mm_alignr_epi8(previous, beforePrevious, 4));
      oldest = _mm_sha256msg2_epu32(next, previous);
      FourRounds(abef, cdgh, oldest, k + 4 * group);
    }
    abef = _mm_add_epi32(abef, savedAbef);
    cdgh = _mm_add_epi32(cdgh, savedCdgh);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

}  // namespace

CompressFunction AcceleratedCompress() { return HasShaExtensions() ? &CompressShaNi : nullptr; }

}  // namespace detail
}  // namespace release

#else

namespace release {
namespace detail {

CompressFunction AcceleratedCompress() { return nullptr; }

}  // namespace detail
}  // namespace release

#endif
