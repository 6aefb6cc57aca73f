#ifndef ZAR_TESTS_RECORDED_DIGESTS_H_
#define ZAR_TESTS_RECORDED_DIGESTS_H_

#include <cstddef>
#include <cstdint>
#include <string>

// Builds for machines without OpenSSL (Windows, s390x) check the program
// against MD5 digests that OpenSSL computed on the build machine: recorded by
// tests/record_digests.sh into recorded_digests.inc, and looked up by the
// message's size and its POSIX cksum CRC.
namespace zar::test {

// The CRC that POSIX cksum prints, over bytes given in pieces.
class Cksum {
 public:
  // Appends size bytes at data.
  void Add(const void* data, std::size_t size);

  // The CRC of everything added so far; Add may go on afterwards.
  std::uint32_t Value() const;

  // Bytes added so far.
  std::uint64_t Size() const { return size_; }

 private:
  std::uint32_t crc_ = 0;
  std::uint64_t size_ = 0;
};

// True when the test's environment names a file in ZAR_RECORD_DIGESTS.
bool RecordingDigests();

// Appends "SIZE CRC MD5" to that file; does nothing when there is none.
void RecordDigest(const Cksum& message, const std::string& md5);

}  // namespace zar::test

#endif  // ZAR_TESTS_RECORDED_DIGESTS_H_
