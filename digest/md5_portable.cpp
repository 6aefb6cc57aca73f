// Portable MD5 compression: the reference kernel and the fallback.
//
// MD5 is one dependency chain: every step's result is the next step's b.
// Each step therefore adds everything that does not depend on b (the
// message word, the constant and, in round 2, the term (NOT d AND c)) to a
// first, so that only the few operations that wait on b stay on the chain.

#include <cstring>

#include "digest/md5_block_function.h"

namespace zar {
namespace {

// Lowest-addressed byte of this word is 1 on a little-endian host and 0 on a
// big-endian one; the test folds to a constant when compiled.
constexpr std::uint32_t kEndianProbe = 1;

bool HostIsLittleEndian() {
  unsigned char first = 0;
  std::memcpy(&first, &kEndianProbe, 1);
  return first == 1;
}

template <int s>
inline std::uint32_t RotateLeft(std::uint32_t x) {
  return (x << s) | (x >> (32 - s));
}

// Returns x unchanged, but as a value the compiler cannot see into, so
// that it keeps the sum computed off the chain instead of reassociating
// it with the terms that wait on b.
inline std::uint32_t OffChain(std::uint32_t x) {
#if defined(__GNUC__)
  asm("" : "+r"(x));
#endif
  return x;
}

// Message word k from words, which holds the 16 words in host order.
// memcpy compiles to a single load and has none of the alignment or
// aliasing faults of a cast.
inline std::uint32_t Word(const unsigned char* words, std::size_t k) {
  std::uint32_t w = 0;
  std::memcpy(&w, words + 4 * k, sizeof w);
  return w;
}

// The four step kinds: a = b + ((a + f(b, c, d) + xt) <<< s), where xt is
// the message word plus the step's constant. The comment of each gives the
// operations that wait on b, the previous step's result.

// F(b, c, d) = d XOR (b AND (c XOR d)); waits for AND, XOR, add, rotate, add.
template <int s>
inline void StepF(std::uint32_t& a, std::uint32_t b, std::uint32_t c,
                  std::uint32_t d, std::uint32_t xt) {
  a = OffChain(a + xt);
  a += d ^ (b & (c ^ d));
  a = RotateLeft<s>(a) + b;
}

// G(b, c, d) = (d AND b) + (NOT d AND c): the terms share no bit, so their
// sum is their OR, and the second one is added before b is known. Waits for
// AND, add, rotate, add.
template <int s>
inline void StepG(std::uint32_t& a, std::uint32_t b, std::uint32_t c,
                  std::uint32_t d, std::uint32_t xt) {
  a = OffChain(a + xt + (~d & c));
  a += d & b;
  a = RotateLeft<s>(a) + b;
}

// H(b, c, d) = b XOR (c XOR d); waits for XOR, add, rotate, add.
template <int s>
inline void StepH(std::uint32_t& a, std::uint32_t b, std::uint32_t c,
                  std::uint32_t d, std::uint32_t xt) {
  a = OffChain(a + xt);
  a += b ^ (c ^ d);
  a = RotateLeft<s>(a) + b;
}

// I(b, c, d) = c XOR (b OR NOT d); waits for OR, XOR, add, rotate, add.
template <int s>
inline void StepI(std::uint32_t& a, std::uint32_t b, std::uint32_t c,
                  std::uint32_t d, std::uint32_t xt) {
  a = OffChain(a + xt);
  a += c ^ (b | ~d);
  a = RotateLeft<s>(a) + b;
}

}  // namespace

void Md5PortableBlocks(std::uint32_t abcd[4], const unsigned char* data,
                       std::size_t blockCount) {
  const bool littleEndian = HostIsLittleEndian();
  std::uint32_t a = abcd[0];
  std::uint32_t b = abcd[1];
  std::uint32_t c = abcd[2];
  std::uint32_t d = abcd[3];
  for (; blockCount != 0; --blockCount, data += 64) {
    // A little-endian host reads the words in place, whatever the
    // alignment of data; a big-endian one assembles them byte by byte.
    const unsigned char* words = data;
    std::uint32_t local[16];
    if (!littleEndian) {
      for (std::size_t k = 0; k < 16; ++k) {
        const unsigned char* p = data + 4 * k;
        local[k] = static_cast<std::uint32_t>(p[0]) |
                   static_cast<std::uint32_t>(p[1]) << 8 |
                   static_cast<std::uint32_t>(p[2]) << 16 |
                   static_cast<std::uint32_t>(p[3]) << 24;
      }
      words = reinterpret_cast<const unsigned char*>(local);
    }
    const std::uint32_t a0 = a;
    const std::uint32_t b0 = b;
    const std::uint32_t c0 = c;
    const std::uint32_t d0 = d;

    // Round 1.
    StepF<7>(a, b, c, d, Word(words, 0) + 0xd76aa478u);
    StepF<12>(d, a, b, c, Word(words, 1) + 0xe8c7b756u);
    StepF<17>(c, d, a, b, Word(words, 2) + 0x242070dbu);
    StepF<22>(b, c, d, a, Word(words, 3) + 0xc1bdceeeu);
    StepF<7>(a, b, c, d, Word(words, 4) + 0xf57c0fafu);
    StepF<12>(d, a, b, c, Word(words, 5) + 0x4787c62au);
    StepF<17>(c, d, a, b, Word(words, 6) + 0xa8304613u);
    StepF<22>(b, c, d, a, Word(words, 7) + 0xfd469501u);
    StepF<7>(a, b, c, d, Word(words, 8) + 0x698098d8u);
    StepF<12>(d, a, b, c, Word(words, 9) + 0x8b44f7afu);
    StepF<17>(c, d, a, b, Word(words, 10) + 0xffff5bb1u);
    StepF<22>(b, c, d, a, Word(words, 11) + 0x895cd7beu);
    StepF<7>(a, b, c, d, Word(words, 12) + 0x6b901122u);
    StepF<12>(d, a, b, c, Word(words, 13) + 0xfd987193u);
    StepF<17>(c, d, a, b, Word(words, 14) + 0xa679438eu);
    StepF<22>(b, c, d, a, Word(words, 15) + 0x49b40821u);
    // Round 2.
    StepG<5>(a, b, c, d, Word(words, 1) + 0xf61e2562u);
    StepG<9>(d, a, b, c, Word(words, 6) + 0xc040b340u);
    StepG<14>(c, d, a, b, Word(words, 11) + 0x265e5a51u);
    StepG<20>(b, c, d, a, Word(words, 0) + 0xe9b6c7aau);
    StepG<5>(a, b, c, d, Word(words, 5) + 0xd62f105du);
    StepG<9>(d, a, b, c, Word(words, 10) + 0x02441453u);
    StepG<14>(c, d, a, b, Word(words, 15) + 0xd8a1e681u);
    StepG<20>(b, c, d, a, Word(words, 4) + 0xe7d3fbc8u);
    StepG<5>(a, b, c, d, Word(words, 9) + 0x21e1cde6u);
    StepG<9>(d, a, b, c, Word(words, 14) + 0xc33707d6u);
    StepG<14>(c, d, a, b, Word(words, 3) + 0xf4d50d87u);
    StepG<20>(b, c, d, a, Word(words, 8) + 0x455a14edu);
    StepG<5>(a, b, c, d, Word(words, 13) + 0xa9e3e905u);
    StepG<9>(d, a, b, c, Word(words, 2) + 0xfcefa3f8u);
    StepG<14>(c, d, a, b, Word(words, 7) + 0x676f02d9u);
    StepG<20>(b, c, d, a, Word(words, 12) + 0x8d2a4c8au);
    // Round 3.
    StepH<4>(a, b, c, d, Word(words, 5) + 0xfffa3942u);
    StepH<11>(d, a, b, c, Word(words, 8) + 0x8771f681u);
    StepH<16>(c, d, a, b, Word(words, 11) + 0x6d9d6122u);
    StepH<23>(b, c, d, a, Word(words, 14) + 0xfde5380cu);
    StepH<4>(a, b, c, d, Word(words, 1) + 0xa4beea44u);
    StepH<11>(d, a, b, c, Word(words, 4) + 0x4bdecfa9u);
    StepH<16>(c, d, a, b, Word(words, 7) + 0xf6bb4b60u);
    StepH<23>(b, c, d, a, Word(words, 10) + 0xbebfbc70u);
    StepH<4>(a, b, c, d, Word(words, 13) + 0x289b7ec6u);
    StepH<11>(d, a, b, c, Word(words, 0) + 0xeaa127fau);
    StepH<16>(c, d, a, b, Word(words, 3) + 0xd4ef3085u);
    StepH<23>(b, c, d, a, Word(words, 6) + 0x04881d05u);
    StepH<4>(a, b, c, d, Word(words, 9) + 0xd9d4d039u);
    StepH<11>(d, a, b, c, Word(words, 12) + 0xe6db99e5u);
    StepH<16>(c, d, a, b, Word(words, 15) + 0x1fa27cf8u);
    StepH<23>(b, c, d, a, Word(words, 2) + 0xc4ac5665u);
    // Round 4.
    StepI<6>(a, b, c, d, Word(words, 0) + 0xf4292244u);
    StepI<10>(d, a, b, c, Word(words, 7) + 0x432aff97u);
    StepI<15>(c, d, a, b, Word(words, 14) + 0xab9423a7u);
    StepI<21>(b, c, d, a, Word(words, 5) + 0xfc93a039u);
    StepI<6>(a, b, c, d, Word(words, 12) + 0x655b59c3u);
    StepI<10>(d, a, b, c, Word(words, 3) + 0x8f0ccc92u);
    StepI<15>(c, d, a, b, Word(words, 10) + 0xffeff47du);
    StepI<21>(b, c, d, a, Word(words, 1) + 0x85845dd1u);
    StepI<6>(a, b, c, d, Word(words, 8) + 0x6fa87e4fu);
    StepI<10>(d, a, b, c, Word(words, 15) + 0xfe2ce6e0u);
    StepI<15>(c, d, a, b, Word(words, 6) + 0xa3014314u);
    StepI<21>(b, c, d, a, Word(words, 13) + 0x4e0811a1u);
    StepI<6>(a, b, c, d, Word(words, 4) + 0xf7537e82u);
    StepI<10>(d, a, b, c, Word(words, 11) + 0xbd3af235u);
    StepI<15>(c, d, a, b, Word(words, 2) + 0x2ad7d2bbu);
    StepI<21>(b, c, d, a, Word(words, 9) + 0xeb86d391u);
    a += a0;
    b += b0;
    c += c0;
    d += d0;
  }
  abcd[0] = a;
  abcd[1] = b;
  abcd[2] = c;
  abcd[3] = d;
}

}  // namespace zar
