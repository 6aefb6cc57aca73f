#ifndef ZAR_DIGEST_MD5_BLOCK_FUNCTION_H_
#define ZAR_DIGEST_MD5_BLOCK_FUNCTION_H_

#include <cstddef>
#include <cstdint>

namespace zar {

// A compression kernel: folds blockCount consecutive 64-byte blocks starting at
// data into the four chaining words abcd, in order. data needs no particular
// alignment and is only read. blockCount may be 0. Never fails.
using Md5BlockFunction = void (*)(std::uint32_t abcd[4],
                                  const unsigned char* data,
                                  std::size_t blockCount);

// The portable reference kernel: standard C++ only, correct on little- and
// big-endian hosts. Every other kernel must give the same results.
void Md5PortableBlocks(std::uint32_t abcd[4], const unsigned char* data,
                       std::size_t blockCount);

}  // namespace zar

#endif  // ZAR_DIGEST_MD5_BLOCK_FUNCTION_H_
