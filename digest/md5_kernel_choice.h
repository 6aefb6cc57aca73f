#ifndef ZAR_DIGEST_MD5_KERNEL_CHOICE_H_
#define ZAR_DIGEST_MD5_KERNEL_CHOICE_H_

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "digest/md5_kernel.h"

namespace zar {

// How the kernels are raced: in each of rounds rounds every kernel in turn
// folds the next turnBlocks blocks of the message, timed; a kernel's best
// turn is its time. A call with fewer than minBlocks whole blocks does not
// start the race.
struct Md5RacePlan {
  std::size_t turnBlocks;
  std::size_t rounds;
  std::size_t minBlocks;
};

// The program's plan: 2 kernels race over 256 blocks (16 KiB), in turns of
// one or two microseconds, long beside the clock's resolution and short
// enough that most turns run undisturbed; only a call of at least 512 KiB
// starts the race, so that its time is a small part of that call's.
constexpr Md5RacePlan kMd5RacePlan = {16, 8, 8192};

// Most kernels a race takes; a choice among more ignores the rest.
constexpr std::size_t kMd5MaxKernels = 8;

// Number of blocks a race of count kernels under plan folds.
constexpr std::size_t Md5RaceBlocks(std::size_t count,
                                    const Md5RacePlan& plan) {
  return (count < kMd5MaxKernels ? count : kMd5MaxKernels) * plan.turnBlocks *
         plan.rounds;
}

// Races the count kernels (count >= 1; only the first kMd5MaxKernels take
// part) as plan says over the first Md5RaceBlocks(count, plan) blocks at
// data, folding every one of them into abcd in order, and returns the index
// of the kernel with the shortest best turn (the lowest index on a tie).
// Every kernel continues the same chaining words, so abcd ends as any
// single kernel would leave it.
std::size_t Md5RaceKernels(const Md5Kernel* kernels, std::size_t count,
                           const Md5RacePlan& plan, std::uint32_t abcd[4],
                           const unsigned char* data);

// The signature of Md5RaceKernels, so that tests can decide the race.
using Md5Race = std::size_t (*)(const Md5Kernel* kernels, std::size_t count,
                                const Md5RacePlan& plan, std::uint32_t abcd[4],
                                const unsigned char* data);

// A block function that picks its kernel once, by racing the kernels (the
// first kMd5MaxKernels) over the first call with enough blocks. Until then
// it uses the first kernel, which must be the portable one. With a single
// kernel it never races. Holds pointers only: kernels must outlive it. Not
// copyable (the choice is an atomic, so that a thread that reads it sees a
// whole kernel); the program hashes on one thread, and two threads that
// start at once may each race, which is harmless.
class Md5KernelChoice {
 public:
  Md5KernelChoice(const Md5Kernel* kernels, std::size_t count,
                  const Md5RacePlan& plan = kMd5RacePlan,
                  Md5Race race = Md5RaceKernels);

  // Same contract as Md5BlockFunction. Races the kernels on the first call
  // with at least the plan's minBlocks blocks (and enough for the whole
  // race), then folds the rest with the winner.
  void Blocks(std::uint32_t abcd[4], const unsigned char* data,
              std::size_t blockCount);

  // The kernel chosen, or null while the race has not been run.
  const Md5Kernel* chosen() const {
    return chosen_.load(std::memory_order_acquire);
  }

 private:
  const Md5Kernel* kernels_;
  std::size_t count_;
  Md5RacePlan plan_;
  Md5Race race_;
  std::atomic<const Md5Kernel*> chosen_;
};

}  // namespace zar

#endif  // ZAR_DIGEST_MD5_KERNEL_CHOICE_H_
