// The kernels against each other and against the oracle, on random data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "digest/md5_dispatch.h"
#include "digest/md5_state.h"
#include "tests/every_kernel.h"
#include "tests/md5_oracle.h"

namespace zar {
namespace {

using test::Hex;
using test::RandomBytes;
using test::RunnableKernels;

// Makes every Md5State use blocks until the end of the scope.
class ForcedKernel {
 public:
  explicit ForcedKernel(Md5BlockFunction blocks) { Md5ForceBlocks(blocks); }
  ~ForcedKernel() { Md5ForceBlocks(nullptr); }
  ForcedKernel(const ForcedKernel&) = delete;
  ForcedKernel& operator=(const ForcedKernel&) = delete;
};

// Digest of size bytes at data, added in random pieces of 1 to maxPiece
// bytes (all at once when maxPiece is 0).
std::string DigestInRandomPieces(const unsigned char* data, std::size_t size,
                                 std::size_t maxPiece, std::mt19937& random) {
  Md5State state;
  state.Init();
  for (std::size_t done = 0; done < size;) {
    const std::size_t piece =
        maxPiece == 0 ? size - done
                      : std::min<std::size_t>(1 + random() % maxPiece,
                                              size - done);
    state.Add(data + done, static_cast<std::int32_t>(piece));
    done += piece;
  }
  unsigned char digest[16];
  state.Finish(digest);
  return Hex(digest);
}

// Raw compression from random chaining words, which no whole message
// reaches, over runs of random blocks at every alignment: each kernel must
// agree with the portable reference word for word.
TEST(Md5KernelTest, KernelsAgreeOnRandomChainingWordsAndBlocks) {
  // The portable kernel is the reference, so only the others are compared.
  std::vector<Md5Kernel> others = RunnableKernels();
  others.erase(others.begin());
  if (others.empty()) {
    GTEST_SKIP() << "only the portable kernel runs on this host: no other "
                    "kernel to compare with it";
  }
  constexpr std::size_t kMaxBlocks = 40;
  const std::vector<unsigned char> data = RandomBytes(64 * kMaxBlocks + 64, 11);
  std::mt19937 random(20261211);
  for (int round = 0; round < 2000; ++round) {
    std::uint32_t start[4];
    for (std::uint32_t& word : start) word = static_cast<std::uint32_t>(random());
    const std::size_t blocks = random() % (kMaxBlocks + 1);
    const std::size_t offset = random() % 64;
    std::uint32_t expected[4];
    std::memcpy(expected, start, sizeof start);
    Md5PortableBlocks(expected, data.data() + offset, blocks);
    for (const Md5Kernel& kernel : others) {
      std::uint32_t actual[4];
      std::memcpy(actual, start, sizeof start);
      kernel.blocks(actual, data.data() + offset, blocks);
      ASSERT_EQ(std::memcmp(actual, expected, sizeof actual), 0)
          << kernel.name << ": " << blocks << " blocks at offset " << offset;
    }
  }
}

// Whole messages of random length, alignment and split, through Md5State
// with each kernel: every one must give the oracle's digest.
TEST(Md5KernelTest, EveryKernelMatchesTheOracleOnRandomMessages) {
  constexpr std::size_t kMaxLength = 200000;
  const std::vector<unsigned char> data = RandomBytes(kMaxLength + 64, 12);
  std::mt19937 random(1321);
  for (int round = 0; round < 400; ++round) {
    const std::size_t length =
        round % 20 == 0 ? random() % kMaxLength : random() % 2000;
    const std::size_t offset = random() % 64;
    const std::size_t maxPiece = round % 3 == 0 ? 0 : 1 + random() % 300;
    const unsigned char* message = data.data() + offset;
    const std::string expected = test::OracleMd5(message, length);
    for (const Md5Kernel& kernel : RunnableKernels()) {
      ForcedKernel forced(kernel.blocks);
      std::mt19937 pieces(static_cast<std::uint32_t>(round));
      ASSERT_EQ(DigestInRandomPieces(message, length, maxPiece, pieces),
                expected)
          << kernel.name << ": " << length << " bytes at offset " << offset
          << ", pieces of at most " << maxPiece;
    }
  }
}

// The tests that run once per kernel rely on this: a forced kernel is the
// one Md5State calls, and lifting the force returns to a kernel the host
// can run.
std::size_t countedBlocks = 0;

void CountingBlocks(std::uint32_t abcd[4], const unsigned char* data,
                    std::size_t blockCount) {
  countedBlocks += blockCount;
  Md5PortableBlocks(abcd, data, blockCount);
}

TEST(Md5KernelTest, ForcedKernelIsTheOneMd5StateUses) {
  const std::vector<unsigned char> data = RandomBytes(640, 13);
  countedBlocks = 0;
  {
    ForcedKernel forced(CountingBlocks);
    std::mt19937 unused;
    EXPECT_EQ(DigestInRandomPieces(data.data(), data.size(), 0, unused),
              test::OracleMd5(data));
  }
  EXPECT_EQ(countedBlocks, 11u) << "10 blocks of data and 1 of padding";

  const Md5BlockFunction automatic = Md5ActiveBlocks();
  const std::vector<Md5Kernel> runnable = RunnableKernels();
  EXPECT_TRUE(std::any_of(runnable.begin(), runnable.end(),
                          [&](const Md5Kernel& kernel) {
                            return kernel.blocks == automatic;
                          }));
  EXPECT_EQ(runnable.front().blocks, &Md5PortableBlocks);
}

}  // namespace
}  // namespace zar
