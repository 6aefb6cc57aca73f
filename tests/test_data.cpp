// The parts of md5_oracle.h that every build shares, whichever oracle it has.
#include <random>

#include "tests/md5_oracle.h"

namespace zar::test {

std::string Hex(const unsigned char digest[16]) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (int i = 0; i < 16; ++i) {
    text += kDigits[digest[i] >> 4];
    text += kDigits[digest[i] & 15];
  }
  return text;
}

std::vector<unsigned char> RandomBytes(std::size_t size, std::uint32_t seed) {
  // Each word is laid out least significant byte first on every host, so a
  // big-endian build sees the same bytes (and digests) as a little-endian one.
  std::mt19937 generator(seed);
  std::vector<unsigned char> bytes(size);
  for (std::size_t i = 0; i < size; i += 4) {
    const std::uint32_t word = generator();
    for (std::size_t k = 0; k < 4 && i + k < size; ++k) {
      bytes[i + k] = static_cast<unsigned char>(word >> (8 * k));
    }
  }
  return bytes;
}

}  // namespace zar::test
