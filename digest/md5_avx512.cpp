// MD5 compression on one 32-bit lane of xmm registers with AVX-512VL.
//
// The ternary-logic instruction computes each round function in one
// operation and vprold rotates in one, so every step waits on b for four
// operations (ternary logic, add, rotate, add) against five in the F and I
// steps of the portable kernel. That pays only where these vector
// operations take one cycle; where they take two it is the slower kernel,
// and the race that picks the kernel finds that out. Only this file is
// compiled for AVX-512, and the dispatch offers it only after checking the
// processor and the operating system, so the program still runs on any
// x86-64 processor.

#include <immintrin.h>

#include <cstring>

#include "digest/md5_avx512.h"

#define ZAR_AVX512_TARGET __attribute__((target("avx512f,avx512vl")))

namespace zar {
namespace {

// Message word k of the block at p; this kernel runs on x86-64 only,
// which is little-endian.
inline std::uint32_t Word(const unsigned char* p, std::size_t k) {
  std::uint32_t w = 0;
  std::memcpy(&w, p + 4 * k, sizeof w);
  return w;
}

// The round functions as vpternlogd truth tables over the operands
// (b, c, d), whose bits index the table as 0xf0, 0xcc and 0xaa.
constexpr int kF = 0xca;  // (b AND c) OR (NOT b AND d)
constexpr int kG = 0xe4;  // (b AND d) OR (c AND NOT d)
constexpr int kH = 0x96;  // b XOR c XOR d
constexpr int kI = 0x39;  // c XOR (b OR NOT d)

// One step: a = b + ((a + f(b, c, d) + xt) <<< s), where xt is the
// message word plus the step's constant and f is a truth table above.
template <int f, int s>
ZAR_AVX512_TARGET inline void Step(__m128i& a, __m128i b, __m128i c,
                                   __m128i d, std::uint32_t xt) {
  a = _mm_add_epi32(a, _mm_cvtsi32_si128(static_cast<int>(xt)));
  // Keeps the compiler from reassociating this sum with the terms that
  // wait on b.
  asm("" : "+v"(a));
  a = _mm_add_epi32(a, _mm_ternarylogic_epi32(b, c, d, f));
  a = _mm_add_epi32(_mm_rol_epi32(a, s), b);
}

}  // namespace

ZAR_AVX512_TARGET void Md5Avx512Blocks(std::uint32_t abcd[4],
                                       const unsigned char* data,
                                       std::size_t blockCount) {
  __m128i a = _mm_cvtsi32_si128(static_cast<int>(abcd[0]));
  __m128i b = _mm_cvtsi32_si128(static_cast<int>(abcd[1]));
  __m128i c = _mm_cvtsi32_si128(static_cast<int>(abcd[2]));
  __m128i d = _mm_cvtsi32_si128(static_cast<int>(abcd[3]));
  for (; blockCount != 0; --blockCount, data += 64) {
    const __m128i a0 = a;
    const __m128i b0 = b;
    const __m128i c0 = c;
    const __m128i d0 = d;

    // Round 1.
    Step<kF, 7>(a, b, c, d, Word(data, 0) + 0xd76aa478u);
    Step<kF, 12>(d, a, b, c, Word(data, 1) + 0xe8c7b756u);
    Step<kF, 17>(c, d, a, b, Word(data, 2) + 0x242070dbu);
    Step<kF, 22>(b, c, d, a, Word(data, 3) + 0xc1bdceeeu);
    Step<kF, 7>(a, b, c, d, Word(data, 4) + 0xf57c0fafu);
    Step<kF, 12>(d, a, b, c, Word(data, 5) + 0x4787c62au);
    Step<kF, 17>(c, d, a, b, Word(data, 6) + 0xa8304613u);
    Step<kF, 22>(b, c, d, a, Word(data, 7) + 0xfd469501u);
    Step<kF, 7>(a, b, c, d, Word(data, 8) + 0x698098d8u);
    Step<kF, 12>(d, a, b, c, Word(data, 9) + 0x8b44f7afu);
    Step<kF, 17>(c, d, a, b, Word(data, 10) + 0xffff5bb1u);
    Step<kF, 22>(b, c, d, a, Word(data, 11) + 0x895cd7beu);
    Step<kF, 7>(a, b, c, d, Word(data, 12) + 0x6b901122u);
    Step<kF, 12>(d, a, b, c, Word(data, 13) + 0xfd987193u);
    Step<kF, 17>(c, d, a, b, Word(data, 14) + 0xa679438eu);
    Step<kF, 22>(b, c, d, a, Word(data, 15) + 0x49b40821u);
    // Round 2.
    Step<kG, 5>(a, b, c, d, Word(data, 1) + 0xf61e2562u);
    Step<kG, 9>(d, a, b, c, Word(data, 6) + 0xc040b340u);
    Step<kG, 14>(c, d, a, b, Word(data, 11) + 0x265e5a51u);
    Step<kG, 20>(b, c, d, a, Word(data, 0) + 0xe9b6c7aau);
    Step<kG, 5>(a, b, c, d, Word(data, 5) + 0xd62f105du);
    Step<kG, 9>(d, a, b, c, Word(data, 10) + 0x02441453u);
    Step<kG, 14>(c, d, a, b, Word(data, 15) + 0xd8a1e681u);
    Step<kG, 20>(b, c, d, a, Word(data, 4) + 0xe7d3fbc8u);
    Step<kG, 5>(a, b, c, d, Word(data, 9) + 0x21e1cde6u);
    Step<kG, 9>(d, a, b, c, Word(data, 14) + 0xc33707d6u);
    Step<kG, 14>(c, d, a, b, Word(data, 3) + 0xf4d50d87u);
    Step<kG, 20>(b, c, d, a, Word(data, 8) + 0x455a14edu);
    Step<kG, 5>(a, b, c, d, Word(data, 13) + 0xa9e3e905u);
    Step<kG, 9>(d, a, b, c, Word(data, 2) + 0xfcefa3f8u);
    Step<kG, 14>(c, d, a, b, Word(data, 7) + 0x676f02d9u);
    Step<kG, 20>(b, c, d, a, Word(data, 12) + 0x8d2a4c8au);
    // Round 3.
    Step<kH, 4>(a, b, c, d, Word(data, 5) + 0xfffa3942u);
    Step<kH, 11>(d, a, b, c, Word(data, 8) + 0x8771f681u);
    Step<kH, 16>(c, d, a, b, Word(data, 11) + 0x6d9d6122u);
    Step<kH, 23>(b, c, d, a, Word(data, 14) + 0xfde5380cu);
    Step<kH, 4>(a, b, c, d, Word(data, 1) + 0xa4beea44u);
    Step<kH, 11>(d, a, b, c, Word(data, 4) + 0x4bdecfa9u);
    Step<kH, 16>(c, d, a, b, Word(data, 7) + 0xf6bb4b60u);
    Step<kH, 23>(b, c, d, a, Word(data, 10) + 0xbebfbc70u);
    Step<kH, 4>(a, b, c, d, Word(data, 13) + 0x289b7ec6u);
    Step<kH, 11>(d, a, b, c, Word(data, 0) + 0xeaa127fau);
    Step<kH, 16>(c, d, a, b, Word(data, 3) + 0xd4ef3085u);
    Step<kH, 23>(b, c, d, a, Word(data, 6) + 0x04881d05u);
    Step<kH, 4>(a, b, c, d, Word(data, 9) + 0xd9d4d039u);
    Step<kH, 11>(d, a, b, c, Word(data, 12) + 0xe6db99e5u);
    Step<kH, 16>(c, d, a, b, Word(data, 15) + 0x1fa27cf8u);
    Step<kH, 23>(b, c, d, a, Word(data, 2) + 0xc4ac5665u);
    // Round 4.
    Step<kI, 6>(a, b, c, d, Word(data, 0) + 0xf4292244u);
    Step<kI, 10>(d, a, b, c, Word(data, 7) + 0x432aff97u);
    Step<kI, 15>(c, d, a, b, Word(data, 14) + 0xab9423a7u);
    Step<kI, 21>(b, c, d, a, Word(data, 5) + 0xfc93a039u);
    Step<kI, 6>(a, b, c, d, Word(data, 12) + 0x655b59c3u);
    Step<kI, 10>(d, a, b, c, Word(data, 3) + 0x8f0ccc92u);
    Step<kI, 15>(c, d, a, b, Word(data, 10) + 0xffeff47du);
    Step<kI, 21>(b, c, d, a, Word(data, 1) + 0x85845dd1u);
    Step<kI, 6>(a, b, c, d, Word(data, 8) + 0x6fa87e4fu);
    Step<kI, 10>(d, a, b, c, Word(data, 15) + 0xfe2ce6e0u);
    Step<kI, 15>(c, d, a, b, Word(data, 6) + 0xa3014314u);
    Step<kI, 21>(b, c, d, a, Word(data, 13) + 0x4e0811a1u);
    Step<kI, 6>(a, b, c, d, Word(data, 4) + 0xf7537e82u);
    Step<kI, 10>(d, a, b, c, Word(data, 11) + 0xbd3af235u);
    Step<kI, 15>(c, d, a, b, Word(data, 2) + 0x2ad7d2bbu);
    Step<kI, 21>(b, c, d, a, Word(data, 9) + 0xeb86d391u);

    a = _mm_add_epi32(a, a0);
    b = _mm_add_epi32(b, b0);
    c = _mm_add_epi32(c, c0);
    d = _mm_add_epi32(d, d0);
  }
  abcd[0] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(a));
  abcd[1] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(b));
  abcd[2] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(c));
  abcd[3] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(d));
}

}  // namespace zar
