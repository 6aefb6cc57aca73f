// Picks the MD5 kernel by timing the kernels on the host that runs them.
//
// Which kernel is fastest depends on the latencies of the few operations
// each MD5 step waits on, and those vary between processors of one family,
// and a virtual machine reports whatever processor model it is configured
// with. So no list of vendors, families or models decides; a short race on
// the message's own first blocks does.

#include "digest/md5_kernel_choice.h"

#include <algorithm>
#include <chrono>
#include <iterator>

namespace zar {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

std::size_t Md5RaceKernels(const Md5Kernel* kernels, std::size_t count,
                           const Md5RacePlan& plan, std::uint32_t abcd[4],
                           const unsigned char* data) {
  if (count > kMd5MaxKernels) count = kMd5MaxKernels;
  if (count <= 1) {
    kernels[0].blocks(abcd, data, Md5RaceBlocks(count, plan));
    return 0;
  }
  // One best time per kernel on the stack, so that the engine never
  // allocates.
  Clock::duration best[kMd5MaxKernels];
  std::fill(std::begin(best), std::end(best), Clock::duration::max());

  const std::size_t turnBytes = plan.turnBlocks * 64;
  // Kernels take turns within each round, so that a change of clock speed
  // or a busy moment on the machine falls on all of them alike; the best
  // turn of each is the one least disturbed.
  for (std::size_t round = 0; round < plan.rounds; ++round) {
    for (std::size_t k = 0; k < count; ++k, data += turnBytes) {
      const Clock::time_point start = Clock::now();
      kernels[k].blocks(abcd, data, plan.turnBlocks);
      const Clock::duration time = Clock::now() - start;
      if (time < best[k]) best[k] = time;
    }
  }

  std::size_t winner = 0;
  for (std::size_t k = 1; k < count; ++k) {
    if (best[k] < best[winner]) winner = k;
  }
  return winner;
}

Md5KernelChoice::Md5KernelChoice(const Md5Kernel* kernels, std::size_t count,
                                 const Md5RacePlan& plan, Md5Race race)
    : kernels_(kernels),
      count_(count < kMd5MaxKernels ? count : kMd5MaxKernels),
      plan_(plan),
      race_(race),
      chosen_(count == 1 ? kernels : nullptr) {}

void Md5KernelChoice::Blocks(std::uint32_t abcd[4], const unsigned char* data,
                             std::size_t blockCount) {
  const Md5Kernel* kernel = chosen();
  if (kernel == nullptr) {
    // A short message would pay for the race and never win the time back:
    // the portable kernel takes it and the choice waits for a longer call.
    const std::size_t raceBlocks = Md5RaceBlocks(count_, plan_);
    if (blockCount < plan_.minBlocks || blockCount < raceBlocks) {
      kernels_[0].blocks(abcd, data, blockCount);
      return;
    }
    std::size_t winner = race_(kernels_, count_, plan_, abcd, data);
    if (winner >= count_) winner = 0;
    kernel = kernels_ + winner;
    chosen_.store(kernel, std::memory_order_release);
    data += raceBlocks * 64;
    blockCount -= raceBlocks;
  }
  kernel->blocks(abcd, data, blockCount);
}

}  // namespace zar
