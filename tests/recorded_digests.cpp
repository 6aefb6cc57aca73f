#include "tests/recorded_digests.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace zar::test {
namespace {

// CRC-32 with polynomial 0x04C11DB7, most significant bit first.
constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i << 24;
    for (int bit = 0; bit < 8; ++bit) {
      c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
    }
    table[i] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

std::uint32_t Step(std::uint32_t crc, unsigned char byte) {
  return (crc << 8) ^ kTable[((crc >> 24) ^ byte) & 0xFF];
}

}  // namespace

void Cksum::Add(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) crc_ = Step(crc_, bytes[i]);
  size_ += size;
}

std::uint32_t Cksum::Value() const {
  // cksum appends the length, least significant byte first, in as few bytes
  // as it takes.
  std::uint32_t crc = crc_;
  for (std::uint64_t n = size_; n != 0; n >>= 8) {
    crc = Step(crc, static_cast<unsigned char>(n & 0xFF));
  }
  return ~crc;
}

bool RecordingDigests() {
  const char* path = std::getenv("ZAR_RECORD_DIGESTS");
  return path != nullptr && *path != '\0';
}

void RecordDigest(const Cksum& message, const std::string& md5) {
  if (!RecordingDigests()) return;
  const char* path = std::getenv("ZAR_RECORD_DIGESTS");
  if (std::FILE* file = std::fopen(path, "a")) {
    std::fprintf(file, "%llu %lu %s\n",
                 static_cast<unsigned long long>(message.Size()),
                 static_cast<unsigned long>(message.Value()), md5.c_str());
    std::fclose(file);
  }
}

}  // namespace zar::test
