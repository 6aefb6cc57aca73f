// Throughput of the digest over the program's own chunk size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "digest/md5_state.h"
#include "digest/xmd5.h"

namespace {

constexpr std::int32_t kChunk = 10'000'000;

std::vector<unsigned char> Chunk() {
  std::vector<unsigned char> data(kChunk);
  std::uint32_t x = 12345;
  for (auto& byte : data) {
    x = x * 1664525u + 1013904223u;
    byte = static_cast<unsigned char>(x >> 24);
  }
  return data;
}

void BM_Md5StateChunk(benchmark::State& state) {
  const std::vector<unsigned char> data = Chunk();
  zar::Md5State md5;
  md5.Init();
  for (auto _ : state) {
    md5.Add(data.data(), kChunk);
    benchmark::DoNotOptimize(md5.abcd);
  }
  state.SetBytesProcessed(state.iterations() * kChunk);
}
BENCHMARK(BM_Md5StateChunk)->Unit(benchmark::kMillisecond);

void BM_XMD5ChunkAndDigest(benchmark::State& state) {
  const std::vector<unsigned char> data = Chunk();
  for (auto _ : state) {
    zar::XMD5 md5;
    md5.AddData(data.data(), kChunk);
    benchmark::DoNotOptimize(md5.HexDigest());
  }
  state.SetBytesProcessed(state.iterations() * kChunk);
}
BENCHMARK(BM_XMD5ChunkAndDigest)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
