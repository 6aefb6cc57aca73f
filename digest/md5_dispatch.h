#ifndef ZAR_DIGEST_MD5_DISPATCH_H_
#define ZAR_DIGEST_MD5_DISPATCH_H_

#include <cstddef>

#include "digest/md5_block_function.h"

namespace zar {

// One MD5 compression kernel: a short name for reports and its function.
struct Md5Kernel {
  const char* name;
  Md5BlockFunction blocks;
};

// Returns the block function every Md5State uses: the fastest kernel this
// host can run, chosen once on first use, or the one a test forced.
Md5BlockFunction Md5ActiveBlocks();

// Returns the kernels this host can run, the portable one first, and sets
// *count to their number (at least 1). The array is static and constant.
const Md5Kernel* Md5RunnableKernels(std::size_t* count);

// For tests and benchmarks: makes Md5ActiveBlocks return blocks from now
// on; a null blocks returns to the automatic choice. The program itself
// never calls this.
void Md5ForceBlocks(Md5BlockFunction blocks);

}  // namespace zar

#endif  // ZAR_DIGEST_MD5_DISPATCH_H_
