#include "digest/md5_state.h"

#include <cstring>

#include "digest/md5_dispatch.h"

namespace zar {
namespace {

// The padding appended by Finish: a single 1 bit, then zeros.
constexpr unsigned char kPadding[64] = {0x80};

// Number of bytes in the incomplete block, from the low word of the bit count.
std::uint32_t BufferedBytes(const Md5State& s) {
  return (s.bitCount[0] >> 3) & 63;
}

}  // namespace

void Md5State::Init() {
  bitCount[0] = 0;
  bitCount[1] = 0;
  abcd[0] = 0x67452301;
  abcd[1] = 0xefcdab89;
  abcd[2] = 0x98badcfe;
  abcd[3] = 0x10325476;
}

void Md5State::Add(const unsigned char* data, std::int32_t length) {
  const std::uint32_t offset = BufferedBytes(*this);
  if (length <= 0) return;

  // Count the new bits. Done in unsigned arithmetic: length * 8 would overflow
  // a signed 32-bit value for chunks of 256 MiB or more.
  const auto bytes = static_cast<std::uint32_t>(length);
  const std::uint32_t bits = bytes << 3;
  bitCount[1] += bytes >> 29;
  bitCount[0] += bits;
  if (bitCount[0] < bits) ++bitCount[1];

  std::uint32_t left = bytes;
  if (offset != 0) {
    const std::uint32_t copy = offset + left > 64 ? 64 - offset : left;
    std::memcpy(block + offset, data, copy);
    if (offset + copy < 64) return;
    data += copy;
    left -= copy;
    Transform(block);
  }

  // Whole blocks go to the kernel straight from the caller's memory.
  const std::uint32_t wholeBlocks = left / 64;
  Md5Blocks(abcd, data, wholeBlocks);
  data += static_cast<std::size_t>(wholeBlocks) * 64;
  left -= wholeBlocks * 64;

  if (left != 0) std::memcpy(block, data, left);
}

void Md5State::Finish(unsigned char digest[16]) {
  // The length is taken before padding changes it.
  unsigned char lengthBytes[8];
  for (int i = 0; i < 8; ++i) {
    lengthBytes[i] =
        static_cast<unsigned char>(bitCount[i >> 2] >> (8 * (i & 3)));
  }

  // Pad to 56 bytes mod 64, so that the length completes the last block.
  const std::uint32_t padLength = ((55 - BufferedBytes(*this)) & 63) + 1;
  Add(kPadding, static_cast<std::int32_t>(padLength));
  Add(lengthBytes, 8);

  for (int i = 0; i < 16; ++i) {
    digest[i] = static_cast<unsigned char>(abcd[i >> 2] >> (8 * (i & 3)));
  }
}

void Md5State::Transform(const unsigned char* p) {
  Md5Blocks(abcd, p, 1);
}

}  // namespace zar
