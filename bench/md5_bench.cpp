// Throughput of the digest over the program's own chunk size: each kernel
// on its own, the digest objects with the kernel the program picks, and
// OpenSSL's MD5 as the peer to compare with in the same run.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <string>
#include <vector>

#include "digest/md5_dispatch.h"
#include "digest/md5_state.h"
#include "digest/xmd5.h"

namespace {

constexpr std::int32_t kChunk = 10'000'000;

const std::vector<unsigned char>& Chunk() {
  static const std::vector<unsigned char> data = [] {
    std::vector<unsigned char> bytes(kChunk);
    std::uint32_t x = 12345;
    for (auto& byte : bytes) {
      x = x * 1664525u + 1013904223u;
      byte = static_cast<unsigned char>(x >> 24);
    }
    return bytes;
  }();
  return data;
}

// One kernel compressing the chunk's whole blocks.
void BM_KernelChunk(benchmark::State& state, zar::Md5BlockFunction blocks) {
  const std::vector<unsigned char>& data = Chunk();
  std::uint32_t abcd[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  for (auto _ : state) {
    blocks(abcd, data.data(), data.size() / 64);
    benchmark::DoNotOptimize(abcd);
  }
  state.SetBytesProcessed(state.iterations() * (kChunk / 64 * 64));
}

void BM_Md5StateChunk(benchmark::State& state) {
  const std::vector<unsigned char>& data = Chunk();
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
  const std::vector<unsigned char>& data = Chunk();
  for (auto _ : state) {
    zar::XMD5 md5;
    md5.AddData(data.data(), kChunk);
    benchmark::DoNotOptimize(md5.HexDigest());
  }
  state.SetBytesProcessed(state.iterations() * kChunk);
}
BENCHMARK(BM_XMD5ChunkAndDigest)->Unit(benchmark::kMillisecond);

void BM_OpenSslMd5Chunk(benchmark::State& state) {
  const std::vector<unsigned char>& data = Chunk();
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  EVP_DigestInit_ex(context, EVP_md5(), nullptr);
  for (auto _ : state) {
    EVP_DigestUpdate(context, data.data(), data.size());
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context, digest, &length);
  EVP_MD_CTX_free(context);
  state.SetBytesProcessed(state.iterations() * kChunk);
}
BENCHMARK(BM_OpenSslMd5Chunk)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = 0;
  const zar::Md5Kernel* kernels = zar::Md5RunnableKernels(&count);
  for (std::size_t i = 0; i < count; ++i) {
    benchmark::RegisterBenchmark(
        (std::string("BM_KernelChunk/") + kernels[i].name).c_str(),
        BM_KernelChunk, kernels[i].blocks)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
