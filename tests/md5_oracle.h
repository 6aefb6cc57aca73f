#ifndef ZAR_TESTS_MD5_ORACLE_H_
#define ZAR_TESTS_MD5_ORACLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An independent MD5 for checking the program's own: OpenSSL's libcrypto,
// called through its public EVP interface (md5_oracle.cpp), or, in the builds
// for machines without it, the digests OpenSSL recorded on the build machine
// (md5_oracle_recorded.cpp).
namespace zar::test {

// Lowercase hex MD5 of size bytes at data.
std::string OracleMd5(const void* data, std::size_t size);
std::string OracleMd5(const std::vector<unsigned char>& bytes);

// Lowercase hex MD5 of piece repeated times times over.
std::string OracleMd5OfRepeats(const std::vector<unsigned char>& piece,
                               std::size_t times);

// Lowercase hex MD5 of the contents of the named file, or "" when it cannot
// be read.
std::string OracleMd5OfFile(const std::string& path);

// Lowercase hex of 16 digest bytes.
std::string Hex(const unsigned char digest[16]);

// Deterministic pseudo-random bytes, so that failures can be reproduced.
std::vector<unsigned char> RandomBytes(std::size_t size, std::uint32_t seed);

}  // namespace zar::test

#endif  // ZAR_TESTS_MD5_ORACLE_H_
