#ifndef ZAR_DIGEST_MD5_DISPATCH_H_
#define ZAR_DIGEST_MD5_DISPATCH_H_

#include <cstddef>
#include <cstdint>

#include "digest/md5_block_function.h"
#include "digest/md5_kernel.h"

namespace zar {

// The block path of every Md5State; same contract as Md5BlockFunction.
// Uses the kernel a test forced, or else the process's automatic choice:
// the portable kernel until a call with enough blocks races the runnable
// kernels (see Md5KernelChoice), the winner from then on.
void Md5Blocks(std::uint32_t abcd[4], const unsigned char* data,
               std::size_t blockCount);

// The kernel the automatic choice made in this process, or null while it
// has not been made. With a single runnable kernel that one, from the start.
const Md5Kernel* Md5ChosenKernel();

// Returns the kernels this host can run, the portable one first, and sets
// *count to their number (at least 1). The array is static and constant.
const Md5Kernel* Md5RunnableKernels(std::size_t* count);

// For tests and benchmarks: makes Md5Blocks call blocks from now on; a null
// blocks returns to the automatic choice. The program itself never calls
// this.
void Md5ForceBlocks(Md5BlockFunction blocks);

}  // namespace zar

#endif  // ZAR_DIGEST_MD5_DISPATCH_H_
