// Lists the MD5 kernels this host can run and routes the engine's blocks
// to the one a race on the host chose (see Md5KernelChoice). Each
// processor-specific kernel can be left out at build time; the portable
// kernel is always there.

#include "digest/md5_dispatch.h"

#include "digest/md5_kernel_choice.h"

#if defined(ZAR_UV5_AVX512)
#include <cpuid.h>

#include "digest/md5_avx512.h"
#endif

namespace zar {
namespace {

#if defined(ZAR_UV5_AVX512)

// XCR0 bits for the SSE, AVX, opmask and both upper ZMM state components:
// all must be set for the operating system to preserve AVX-512 registers.
constexpr unsigned kXcr0Avx512State = (1u << 1) | (1u << 2) | (1u << 5) |
                                      (1u << 6) | (1u << 7);

unsigned ReadXcr0() {
  unsigned low = 0;
  unsigned high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return low;
}

// Whether the AVX-512 kernel can run at all; whether it is the faster one
// here is for the race to find out.
bool HostRunsAvx512() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  if ((ecx & bit_OSXSAVE) == 0) return false;
  if ((ReadXcr0() & kXcr0Avx512State) != kXcr0Avx512State) return false;
  if (__get_cpuid_max(0, nullptr) < 7) return false;
  __cpuid_count(7, 0, eax, ebx, ecx, edx);
  return (ebx & bit_AVX512F) != 0 && (ebx & bit_AVX512VL) != 0;
}

#endif  // defined(ZAR_UV5_AVX512)

struct KernelTable {
  Md5Kernel kernels[2];
  std::size_t count;
};

KernelTable DetectKernels() {
  KernelTable table{{{"portable", Md5PortableBlocks}, {nullptr, nullptr}}, 1};
#if defined(ZAR_UV5_AVX512)
  if (HostRunsAvx512()) {
    table.kernels[table.count++] = {"avx512", Md5Avx512Blocks};
  }
#endif
  return table;
}

const KernelTable& Kernels() {
  static const KernelTable table = DetectKernels();
  return table;
}

Md5KernelChoice& Choice() {
  static Md5KernelChoice choice(Kernels().kernels, Kernels().count);
  return choice;
}

Md5BlockFunction forcedBlocks = nullptr;

}  // namespace

void Md5Blocks(std::uint32_t abcd[4], const unsigned char* data,
               std::size_t blockCount) {
  if (forcedBlocks != nullptr) {
    forcedBlocks(abcd, data, blockCount);
  } else {
    Choice().Blocks(abcd, data, blockCount);
  }
}

// Called by tests, benchmarks and zar_choice, which lint does not see.
// cppcheck-suppress unusedFunction
const Md5Kernel* Md5ChosenKernel() { return Choice().chosen(); }

// Called by tests, benchmarks and zar_choice, which lint does not see.
// cppcheck-suppress unusedFunction
const Md5Kernel* Md5RunnableKernels(std::size_t* count) {
  *count = Kernels().count;
  return Kernels().kernels;
}

// Called by tests, benchmarks and zar_choice, which lint does not see.
// cppcheck-suppress unusedFunction
void Md5ForceBlocks(Md5BlockFunction blocks) { forcedBlocks = blocks; }

}  // namespace zar
