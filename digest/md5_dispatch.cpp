// Chooses the MD5 kernel once, from what the processor and the operating
// system support. Each processor-specific kernel can be left out at build
// time; the portable kernel is always there.

#include "digest/md5_dispatch.h"

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

bool HostRunsAvx512() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  if ((ecx & bit_OSXSAVE) == 0) return false;
  if ((ReadXcr0() & kXcr0Avx512State) != kXcr0Avx512State) return false;
  if (__get_cpuid_max(0, nullptr) < 7) return false;
  __cpuid_count(7, 0, eax, ebx, ecx, edx);
  return (ebx & bit_AVX512F) != 0 && (ebx & bit_AVX512VL) != 0;
}

// The AVX-512 kernel is only faster where vector additions, rotates and
// ternary logic take one cycle. AMD family 1Ah (Zen 5) takes two for
// each, which makes the kernel about 1.8 times slower than the portable
// one there, so it is not chosen on that family.
bool Avx512IsFastHere() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  __get_cpuid(0, &eax, &ebx, &ecx, &edx);
  const bool amd = ebx == 0x68747541u && edx == 0x69746e65u &&
                   ecx == 0x444d4163u;  // "AuthenticAMD"
  __get_cpuid(1, &eax, &ebx, &ecx, &edx);
  unsigned family = (eax >> 8) & 0xfu;
  if (family == 0xfu) family += (eax >> 20) & 0xffu;
  return !(amd && family == 0x1au);
}

#endif  // defined(ZAR_UV5_AVX512)

struct KernelTable {
  Md5Kernel kernels[2];
  std::size_t count;
  Md5BlockFunction fastest;
};

KernelTable DetectKernels() {
  KernelTable table{{{"portable", Md5PortableBlocks}, {nullptr, nullptr}},
                    1,
                    Md5PortableBlocks};
#if defined(ZAR_UV5_AVX512)
  if (HostRunsAvx512()) {
    table.kernels[table.count++] = {"avx512", Md5Avx512Blocks};
    if (Avx512IsFastHere()) table.fastest = Md5Avx512Blocks;
  }
#endif
  return table;
}

const KernelTable& Kernels() {
  static const KernelTable table = DetectKernels();
  return table;
}

Md5BlockFunction forcedBlocks = nullptr;

}  // namespace

Md5BlockFunction Md5ActiveBlocks() {
  return forcedBlocks != nullptr ? forcedBlocks : Kernels().fastest;
}

const Md5Kernel* Md5RunnableKernels(std::size_t* count) {
  *count = Kernels().count;
  return Kernels().kernels;
}

void Md5ForceBlocks(Md5BlockFunction blocks) { forcedBlocks = blocks; }

}  // namespace zar
