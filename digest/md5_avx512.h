#ifndef ZAR_DIGEST_MD5_AVX512_H_
#define ZAR_DIGEST_MD5_AVX512_H_

#include <cstddef>
#include <cstdint>

namespace zar {

// Same contract as Md5PortableBlocks. Needs AVX-512F and AVX-512VL, with
// the vector state saved by the operating system; only the dispatch
// checks that and calls it.
void Md5Avx512Blocks(std::uint32_t abcd[4], const unsigned char* data,
                     std::size_t blockCount);

}  // namespace zar

#endif  // ZAR_DIGEST_MD5_AVX512_H_
