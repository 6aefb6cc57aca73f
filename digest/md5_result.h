#ifndef ZAR_DIGEST_MD5_RESULT_H_
#define ZAR_DIGEST_MD5_RESULT_H_

namespace zar {

// A finished digest and its text, as XMD5::HexDigest builds them.
struct Md5Result {
  unsigned char digest[16];  // in the byte order Md5State::Finish writes
  char text[33];             // 32 lowercase hex digits and a terminating zero
};

}  // namespace zar

#endif  // ZAR_DIGEST_MD5_RESULT_H_
