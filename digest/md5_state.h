#ifndef ZAR_DIGEST_MD5_STATE_H_
#define ZAR_DIGEST_MD5_STATE_H_

#include <cstdint>

namespace zar {

// The running state of one MD5 (RFC 1321) computation over a message that
// arrives in pieces of any size. A plain record: it holds its fields directly
// and owns nothing. Calling order: Init, any number of Add, then Finish.
//
// Invariant: block holds the first (bitCount[0] >> 3) & 63 bytes of the
// current incomplete 64-byte block.
struct Md5State {
  std::uint32_t bitCount[2];  // message length in bits mod 2^64, low word first
  std::uint32_t abcd[4];      // chaining words A, B, C, D
  unsigned char block[64];    // bytes of the incomplete block, from its start

  // Starts a new message: zero length, the standard initial chaining words.
  void Init();

  // Appends length bytes at data to the message. A length of 0 or below adds
  // nothing and changes nothing (data is then not read). Otherwise data must
  // point to length readable bytes. Whole blocks are compressed straight from
  // data; only a partial block is copied into block.
  void Add(const unsigned char* data, std::int32_t length);

  // Pads the message, appends its bit length and writes the 16-byte digest.
  // Leaves the record holding the padded message: call Init before reusing it.
  void Finish(unsigned char digest[16]);

  // Compresses the one 64-byte block at p (any alignment) into abcd.
  void Transform(const unsigned char* p);
};

}  // namespace zar

#endif  // ZAR_DIGEST_MD5_STATE_H_
