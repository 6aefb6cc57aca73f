// Throughput of the digest over the program's own chunk size: each kernel
// on its own, in bytes per second and in clock cycles per byte, the digest
// objects with the kernel the program picks, and OpenSSL's MD5 as the peer
// to compare with in the same run. Before the benchmarks it reports the
// clock speed, which kernel the automatic choice makes on this host and how
// long the race that makes it takes.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "digest/md5_dispatch.h"
#include "digest/md5_kernel_choice.h"
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

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration time) {
  return std::chrono::duration<double>(time).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Seconds for a chain of adds dependent additions: each takes one clock
// cycle on any processor this runs on, so adds / time is the clock speed.
double AddChainSeconds(std::uint64_t adds) {
  std::uint64_t x = 0;
  const Clock::time_point start = Clock::now();
  for (std::uint64_t i = 0; i < adds; i += 8) {
    // The empty asm after each add keeps the compiler from merging them.
    x += i; asm("" : "+r"(x));
    x += i; asm("" : "+r"(x));
    x += i; asm("" : "+r"(x));
    x += i; asm("" : "+r"(x));
    x += i; asm("" : "+r"(x));
    x += i; asm("" : "+r"(x));
    x += i; asm("" : "+r"(x));
    x += i; asm("" : "+r"(x));
  }
  const double seconds = Seconds(Clock::now() - start);
  benchmark::DoNotOptimize(x);
  return seconds;
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

// Pieces for measuring cycles: 16 KiB of blocks take a few microseconds,
// as does the chain of additions after each, so most of them run with no
// other process interrupting.
constexpr std::size_t kPieceBlocks = 256;
constexpr std::uint64_t kPieceAdds = 16384;

// Clock cycles per byte of one kernel, with the clock speed measured in the
// same run: the chunk in pieces, each followed by a short chain of
// additions; the fastest piece over the fastest chain (the undisturbed
// ones) times the chain's additions, per byte. Reported as counters.
void BM_KernelCycles(benchmark::State& state, zar::Md5BlockFunction blocks) {
  const std::vector<unsigned char>& data = Chunk();
  std::uint32_t abcd[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  double bestPiece = 1e30;
  double bestChain = 1e30;
  for (auto _ : state) {
    for (std::size_t at = 0; at + kPieceBlocks * 64 <= data.size();
         at += kPieceBlocks * 64) {
      const Clock::time_point start = Clock::now();
      blocks(abcd, data.data() + at, kPieceBlocks);
      bestPiece = std::min(bestPiece, Seconds(Clock::now() - start));
      benchmark::DoNotOptimize(abcd);
      bestChain = std::min(bestChain, AddChainSeconds(kPieceAdds));
    }
  }
  state.counters["GHz"] = static_cast<double>(kPieceAdds) / bestChain / 1e9;
  state.counters["cycles/B"] = bestPiece / bestChain *
                               static_cast<double>(kPieceAdds) /
                               static_cast<double>(kPieceBlocks * 64);
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

// Prints the clock speed, the kernel the program's automatic choice makes
// on this host, and the time of the race that makes it (31 races after the
// program's own, so with warm caches), beside the time the winner takes
// over one chunk.
void ReportChoice() {
  const std::vector<unsigned char>& data = Chunk();
  std::size_t count = 0;
  const zar::Md5Kernel* kernels = zar::Md5RunnableKernels(&count);

  // The program's own path: Md5State over one chunk, unforced.
  zar::Md5State md5;
  md5.Init();
  md5.Add(data.data(), kChunk);
  const zar::Md5Kernel* chosen = zar::Md5ChosenKernel();

  const std::size_t raceBlocks = zar::Md5RaceBlocks(count, zar::kMd5RacePlan);
  std::vector<double> race;
  std::vector<double> chunk;
  std::vector<double> hertz;
  std::vector<std::size_t> wins(count);
  for (int trial = 0; trial < 31; ++trial) {
    std::uint32_t abcd[4] = {};
    const Clock::time_point start = Clock::now();
    const std::size_t winner = zar::Md5RaceKernels(
        kernels, count, zar::kMd5RacePlan, abcd, data.data());
    race.push_back(Seconds(Clock::now() - start));
    ++wins[winner];
    // Processor time, which other processes on the machine do not add to.
    const std::clock_t cpuStart = std::clock();
    chosen->blocks(abcd, data.data(), data.size() / 64);
    chunk.push_back(static_cast<double>(std::clock() - cpuStart) /
                    CLOCKS_PER_SEC);
    double chain = 1e30;
    for (int i = 0; i < 100; ++i) {
      chain = std::min(chain, AddChainSeconds(kPieceAdds));
    }
    hertz.push_back(static_cast<double>(kPieceAdds) / chain);
  }
  const double raceSeconds = Median(race);
  const double chunkSeconds = Median(chunk);
  // What the winner alone would have spent on the race's blocks.
  const double winnerOnRace = chunkSeconds * static_cast<double>(raceBlocks) /
                              static_cast<double>(data.size() / 64);
  std::printf("clock from dependent adds: %.2f GHz\n", Median(hertz) / 1e9);
  std::printf("automatic choice on this host: %s\n", chosen->name);
  if (count == 1) {
    std::printf("one runnable kernel: no race\n");
    return;
  }
  std::printf("race: %zu blocks, %zu per turn, %zu rounds; winners of 31 "
              "races:", raceBlocks, zar::kMd5RacePlan.turnBlocks,
              zar::kMd5RacePlan.rounds);
  for (std::size_t k = 0; k < count; ++k) {
    std::printf(" %s %zu", kernels[k].name, wins[k]);
  }
  std::printf("\nrace time: median %.1f us, best %.1f us; %s alone would "
              "take %.1f us on those blocks\n",
              raceSeconds * 1e6,
              *std::min_element(race.begin(), race.end()) * 1e6, chosen->name,
              winnerOnRace * 1e6);
  std::printf("one 10,000,000-byte chunk with %s: %.2f ms of processor "
              "time (median); race / chunk %.3f%%, its time beyond the "
              "winner's / chunk %.3f%%\n",
              chosen->name, chunkSeconds * 1e3,
              100 * raceSeconds / chunkSeconds,
              100 * (raceSeconds - winnerOnRace) / chunkSeconds);
}

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
  for (std::size_t i = 0; i < count; ++i) {
    benchmark::RegisterBenchmark(
        (std::string("BM_KernelCycles/") + kernels[i].name).c_str(),
        BM_KernelCycles, kernels[i].blocks)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ReportChoice();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
