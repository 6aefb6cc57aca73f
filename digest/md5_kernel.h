#ifndef ZAR_DIGEST_MD5_KERNEL_H_
#define ZAR_DIGEST_MD5_KERNEL_H_

#include "digest/md5_block_function.h"

namespace zar {

// One MD5 compression kernel: a short name for reports and its function.
struct Md5Kernel {
  const char* name;
  Md5BlockFunction blocks;
};

}  // namespace zar

#endif  // ZAR_DIGEST_MD5_KERNEL_H_
