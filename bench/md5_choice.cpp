// Makes the program's automatic kernel choice once, in this fresh process,
// over one 10,000,000-byte chunk as the program reads it, and prints the
// name of the kernel chosen. bench/choice_under_load.sh runs it many times.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "digest/md5_dispatch.h"
#include "digest/xmd5.h"

int main() {
  constexpr std::int32_t kChunk = 10'000'000;
  std::vector<unsigned char> data(kChunk);
  std::uint32_t x = 12345;
  for (auto& byte : data) {
    x = x * 1664525u + 1013904223u;
    byte = static_cast<unsigned char>(x >> 24);
  }
  zar::XMD5 md5;
  md5.AddData(data.data(), kChunk);
  const zar::Md5Kernel* chosen = zar::Md5ChosenKernel();
  std::printf("%s %s\n", chosen != nullptr ? chosen->name : "none",
              md5.HexDigest().c_str());
  return chosen != nullptr ? 0 : 1;
}
