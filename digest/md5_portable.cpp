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

// Reads the little-endian 32-bit word at p (any alignment). memcpy compiles
// to a single load and has none of the alignment or aliasing faults of a cast.
std::uint32_t LoadLittleEndian32(const unsigned char* p) {
  if (HostIsLittleEndian()) {
    std::uint32_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return word;
  }
  return static_cast<std::uint32_t>(p[0]) |
         static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 |
         static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint32_t RotateLeft(std::uint32_t x, int s) {
  return (x << s) | (x >> (32 - s));
}

std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return (x & y) | (~x & z);
}
std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return (x & z) | (y & ~z);
}
std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return x ^ y ^ z;
}
std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  return y ^ (x | ~z);
}

// One of the 64 steps: first = second + ((first + f(...) + x + t) <<< s).
template <std::uint32_t (*f)(std::uint32_t, std::uint32_t, std::uint32_t)>
inline void Step(std::uint32_t& first, std::uint32_t second,
                 std::uint32_t third, std::uint32_t fourth, std::uint32_t x,
                 std::uint32_t t, int s) {
  first = second + RotateLeft(first + f(second, third, fourth) + x + t, s);
}

void CompressBlock(std::uint32_t abcd[4], const unsigned char* p) {
  std::uint32_t x[16];
  for (std::size_t k = 0; k < 16; ++k) x[k] = LoadLittleEndian32(p + 4 * k);

  std::uint32_t a = abcd[0], b = abcd[1], c = abcd[2], d = abcd[3];

  // Round 1.
  Step<F>(a, b, c, d, x[0], 0xd76aa478, 7);
  Step<F>(d, a, b, c, x[1], 0xe8c7b756, 12);
  Step<F>(c, d, a, b, x[2], 0x242070db, 17);
  Step<F>(b, c, d, a, x[3], 0xc1bdceee, 22);
  Step<F>(a, b, c, d, x[4], 0xf57c0faf, 7);
  Step<F>(d, a, b, c, x[5], 0x4787c62a, 12);
  Step<F>(c, d, a, b, x[6], 0xa8304613, 17);
  Step<F>(b, c, d, a, x[7], 0xfd469501, 22);
  Step<F>(a, b, c, d, x[8], 0x698098d8, 7);
  Step<F>(d, a, b, c, x[9], 0x8b44f7af, 12);
  Step<F>(c, d, a, b, x[10], 0xffff5bb1, 17);
  Step<F>(b, c, d, a, x[11], 0x895cd7be, 22);
  Step<F>(a, b, c, d, x[12], 0x6b901122, 7);
  Step<F>(d, a, b, c, x[13], 0xfd987193, 12);
  Step<F>(c, d, a, b, x[14], 0xa679438e, 17);
  Step<F>(b, c, d, a, x[15], 0x49b40821, 22);
  // Round 2.
  Step<G>(a, b, c, d, x[1], 0xf61e2562, 5);
  Step<G>(d, a, b, c, x[6], 0xc040b340, 9);
  Step<G>(c, d, a, b, x[11], 0x265e5a51, 14);
  Step<G>(b, c, d, a, x[0], 0xe9b6c7aa, 20);
  Step<G>(a, b, c, d, x[5], 0xd62f105d, 5);
  Step<G>(d, a, b, c, x[10], 0x02441453, 9);
  Step<G>(c, d, a, b, x[15], 0xd8a1e681, 14);
  Step<G>(b, c, d, a, x[4], 0xe7d3fbc8, 20);
  Step<G>(a, b, c, d, x[9], 0x21e1cde6, 5);
  Step<G>(d, a, b, c, x[14], 0xc33707d6, 9);
  Step<G>(c, d, a, b, x[3], 0xf4d50d87, 14);
  Step<G>(b, c, d, a, x[8], 0x455a14ed, 20);
  Step<G>(a, b, c, d, x[13], 0xa9e3e905, 5);
  Step<G>(d, a, b, c, x[2], 0xfcefa3f8, 9);
  Step<G>(c, d, a, b, x[7], 0x676f02d9, 14);
  Step<G>(b, c, d, a, x[12], 0x8d2a4c8a, 20);
  // Round 3.
  Step<H>(a, b, c, d, x[5], 0xfffa3942, 4);
  Step<H>(d, a, b, c, x[8], 0x8771f681, 11);
  Step<H>(c, d, a, b, x[11], 0x6d9d6122, 16);
  Step<H>(b, c, d, a, x[14], 0xfde5380c, 23);
  Step<H>(a, b, c, d, x[1], 0xa4beea44, 4);
  Step<H>(d, a, b, c, x[4], 0x4bdecfa9, 11);
  Step<H>(c, d, a, b, x[7], 0xf6bb4b60, 16);
  Step<H>(b, c, d, a, x[10], 0xbebfbc70, 23);
  Step<H>(a, b, c, d, x[13], 0x289b7ec6, 4);
  Step<H>(d, a, b, c, x[0], 0xeaa127fa, 11);
  Step<H>(c, d, a, b, x[3], 0xd4ef3085, 16);
  Step<H>(b, c, d, a, x[6], 0x04881d05, 23);
  Step<H>(a, b, c, d, x[9], 0xd9d4d039, 4);
  Step<H>(d, a, b, c, x[12], 0xe6db99e5, 11);
  Step<H>(c, d, a, b, x[15], 0x1fa27cf8, 16);
  Step<H>(b, c, d, a, x[2], 0xc4ac5665, 23);
  // Round 4.
  Step<I>(a, b, c, d, x[0], 0xf4292244, 6);
  Step<I>(d, a, b, c, x[7], 0x432aff97, 10);
  Step<I>(c, d, a, b, x[14], 0xab9423a7, 15);
  Step<I>(b, c, d, a, x[5], 0xfc93a039, 21);
  Step<I>(a, b, c, d, x[12], 0x655b59c3, 6);
  Step<I>(d, a, b, c, x[3], 0x8f0ccc92, 10);
  Step<I>(c, d, a, b, x[10], 0xffeff47d, 15);
  Step<I>(b, c, d, a, x[1], 0x85845dd1, 21);
  Step<I>(a, b, c, d, x[8], 0x6fa87e4f, 6);
  Step<I>(d, a, b, c, x[15], 0xfe2ce6e0, 10);
  Step<I>(c, d, a, b, x[6], 0xa3014314, 15);
  Step<I>(b, c, d, a, x[13], 0x4e0811a1, 21);
  Step<I>(a, b, c, d, x[4], 0xf7537e82, 6);
  Step<I>(d, a, b, c, x[11], 0xbd3af235, 10);
  Step<I>(c, d, a, b, x[2], 0x2ad7d2bb, 15);
  Step<I>(b, c, d, a, x[9], 0xeb86d391, 21);

  abcd[0] += a;
  abcd[1] += b;
  abcd[2] += c;
  abcd[3] += d;
}

}  // namespace

void Md5PortableBlocks(std::uint32_t abcd[4], const unsigned char* data,
                       std::size_t blockCount) {
  for (; blockCount != 0; --blockCount, data += 64) CompressBlock(abcd, data);
}

}  // namespace zar
