// The kernels against each other and against the oracle, on random data,
// and the race that chooses among them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "digest/md5_dispatch.h"
#include "digest/md5_kernel_choice.h"
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
}

// A kernel made slow on purpose: it does its inner kernel's work four times
// per block, three of them on a scratch copy of the chaining words.
Md5BlockFunction slowInner = Md5PortableBlocks;

void SlowBlocks(std::uint32_t abcd[4], const unsigned char* data,
                std::size_t blockCount) {
  for (int extra = 0; extra < 3; ++extra) {
    std::uint32_t scratch[4];
    std::memcpy(scratch, abcd, sizeof scratch);
    slowInner(scratch, data, blockCount);
  }
  slowInner(abcd, data, blockCount);
}

// Races each runnable kernel against a slowed copy of itself, in both
// orders, many times: the slow one must never win, and the race must fold
// every one of its blocks as the portable kernel would.
TEST(Md5KernelChoiceTest, RaceNeverChoosesAKernelMadeSlow) {
  const std::size_t raceBlocks = Md5RaceBlocks(2, kMd5RacePlan);
  const std::vector<unsigned char> data = RandomBytes(64 * raceBlocks, 14);
  std::uint32_t expected[4] = {1, 2, 3, 4};
  Md5PortableBlocks(expected, data.data(), raceBlocks);
  for (const Md5Kernel& kernel : RunnableKernels()) {
    slowInner = kernel.blocks;
    const Md5Kernel slowFirst[2] = {{"slow", SlowBlocks}, kernel};
    const Md5Kernel slowSecond[2] = {kernel, {"slow", SlowBlocks}};
    for (int race = 0; race < 20; ++race) {
      for (const Md5Kernel* kernels : {slowFirst, slowSecond}) {
        std::uint32_t abcd[4] = {1, 2, 3, 4};
        const std::size_t winner =
            Md5RaceKernels(kernels, 2, kMd5RacePlan, abcd, data.data());
        ASSERT_EQ(kernels[winner].blocks, kernel.blocks)
            << kernel.name << ", race " << race;
        ASSERT_EQ(std::memcmp(abcd, expected, sizeof abcd), 0) << kernel.name;
      }
    }
  }
  slowInner = Md5PortableBlocks;
}

// Counts the calls and blocks of two kernels and of the race.
struct Calls {
  std::size_t calls[2];
  std::size_t blocks[2];
  std::size_t races;
};
Calls calls;

template <int k>
void CountedPortable(std::uint32_t abcd[4], const unsigned char* data,
                     std::size_t blockCount) {
  ++calls.calls[k];
  calls.blocks[k] += blockCount;
  Md5PortableBlocks(abcd, data, blockCount);
}

// The race result a test wants; the race itself still runs in full.
std::size_t raceWinner = 0;

std::size_t RaceWithSetWinner(const Md5Kernel* kernels, std::size_t count,
                              const Md5RacePlan& plan, std::uint32_t abcd[4],
                              const unsigned char* data) {
  ++calls.races;
  Md5RaceKernels(kernels, count, plan, abcd, data);
  return raceWinner;
}

constexpr Md5Kernel kCounted[2] = {{"first", CountedPortable<0>},
                                   {"second", CountedPortable<1>}};

TEST(Md5KernelChoiceTest, SingleKernelIsChosenWithoutMeasuring) {
  calls = {};
  Md5KernelChoice choice(kCounted, 1, kMd5RacePlan, RaceWithSetWinner);
  EXPECT_EQ(choice.chosen(), &kCounted[0]);
  const std::vector<unsigned char> data = RandomBytes(64 * 20000, 15);
  std::uint32_t abcd[4] = {};
  choice.Blocks(abcd, data.data(), 20000);
  EXPECT_EQ(calls.races, 0u);
  EXPECT_EQ(calls.calls[0], 1u) << "all blocks in one call, no timed turns";
  EXPECT_EQ(calls.blocks[0], 20000u);
}

// Below the plan's threshold the first kernel takes every block and nothing
// is measured; the first call at the threshold races once, the winner takes
// the rest of that call and every later one.
TEST(Md5KernelChoiceTest, RaceStartsOnceAtTheThreshold) {
  const std::size_t minBlocks = kMd5RacePlan.minBlocks;
  const std::size_t raceBlocks = Md5RaceBlocks(2, kMd5RacePlan);
  const std::vector<unsigned char> data = RandomBytes(64 * minBlocks, 16);
  calls = {};
  raceWinner = 1;
  Md5KernelChoice choice(kCounted, 2, kMd5RacePlan, RaceWithSetWinner);
  std::uint32_t abcd[4] = {};
  choice.Blocks(abcd, data.data(), minBlocks - 1);
  EXPECT_EQ(calls.races, 0u);
  EXPECT_EQ(choice.chosen(), nullptr);
  EXPECT_EQ(calls.blocks[0], minBlocks - 1);
  EXPECT_EQ(calls.blocks[1], 0u);

  calls = {};
  choice.Blocks(abcd, data.data(), minBlocks);
  EXPECT_EQ(calls.races, 1u);
  EXPECT_EQ(choice.chosen(), &kCounted[1]);
  EXPECT_EQ(calls.blocks[0], raceBlocks / 2);
  EXPECT_EQ(calls.blocks[1], minBlocks - raceBlocks / 2);

  calls = {};
  choice.Blocks(abcd, data.data(), minBlocks);
  choice.Blocks(abcd, data.data(), 1);
  EXPECT_EQ(calls.races, 0u);
  EXPECT_EQ(calls.blocks[0], 0u);
  EXPECT_EQ(calls.blocks[1], minBlocks + 1);
}

// The choice made by the test's current Md5KernelChoice, as a block
// function that Md5State can be forced to use.
Md5KernelChoice* currentChoice = nullptr;

void CurrentChoiceBlocks(std::uint32_t abcd[4], const unsigned char* data,
                         std::size_t blockCount) {
  currentChoice->Blocks(abcd, data, blockCount);
}

// Messages just short of starting the race and long enough to start it,
// whole and in pieces, with each runnable kernel as the race's winner: the
// digest is the oracle's whichever kernel folds which blocks.
TEST(Md5KernelChoiceTest, DigestIsTheSameWhicheverKernelWins) {
  const std::size_t threshold = 64 * kMd5RacePlan.minBlocks;
  const std::vector<unsigned char> data =
      RandomBytes(3 * threshold + 200, 17);
  std::size_t count = 0;
  const Md5Kernel* kernels = Md5RunnableKernels(&count);
  struct Case {
    std::size_t length;
    std::size_t offset;
    std::size_t maxPiece;  // 0: one Add
    bool races;
  };
  const Case cases[] = {
      {threshold - 1, 0, 0, false},       {threshold - 64, 5, 0, false},
      {threshold + 63, 3, 1000, false},   {threshold, 0, 0, true},
      {threshold + 1, 7, 0, true},        {threshold + 100, 0, 70, false},
      {3 * threshold + 117, 9, 0, true},
  };
  for (std::size_t winner = 0; winner < count; ++winner) {
    raceWinner = winner;
    for (const Case& c : cases) {
      calls = {};
      Md5KernelChoice choice(kernels, count, kMd5RacePlan,
                             RaceWithSetWinner);
      currentChoice = &choice;
      ForcedKernel forced(CurrentChoiceBlocks);
      std::mt19937 pieces(static_cast<std::uint32_t>(c.length));
      const unsigned char* message = data.data() + c.offset;
      EXPECT_EQ(DigestInRandomPieces(message, c.length, c.maxPiece, pieces),
                test::OracleMd5(message, c.length))
          << kernels[winner].name << " wins, " << c.length << " bytes";
      EXPECT_EQ(calls.races, (c.races && count > 1) ? 1u : 0u) << c.length;
      if (c.races || count == 1) {
        EXPECT_EQ(choice.chosen(), &kernels[count == 1 ? 0 : winner]);
      } else {
        EXPECT_EQ(choice.chosen(), nullptr) << c.length;
      }
    }
  }
  currentChoice = nullptr;
}

// The process's own choice, unforced: a long message races (where there is
// more than one kernel), gives the oracle's digest and leaves a runnable
// kernel chosen.
TEST(Md5KernelChoiceTest, AutomaticChoiceIsARunnableKernel) {
  const std::vector<unsigned char> data =
      RandomBytes(2 * 64 * kMd5RacePlan.minBlocks + 5, 18);
  std::mt19937 unused;
  EXPECT_EQ(DigestInRandomPieces(data.data(), data.size(), 0, unused),
            test::OracleMd5(data));
  const Md5Kernel* chosen = Md5ChosenKernel();
  ASSERT_NE(chosen, nullptr);
  const std::vector<Md5Kernel> runnable = RunnableKernels();
  EXPECT_TRUE(std::any_of(runnable.begin(), runnable.end(),
                          [&](const Md5Kernel& kernel) {
                            return kernel.blocks == chosen->blocks;
                          }))
      << chosen->name;
  EXPECT_EQ(runnable.front().blocks, &Md5PortableBlocks);
}

}  // namespace
}  // namespace zar
