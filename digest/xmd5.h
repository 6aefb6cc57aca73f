#ifndef ZAR_DIGEST_XMD5_H_
#define ZAR_DIGEST_XMD5_H_

#include <cstdint>
#include <string>

#include "digest/md5_result.h"
#include "digest/md5_state.h"

namespace zar {

// The digest object the front end feeds with file chunks. It checks each
// chunk, counts the ones it accepted, and hands out the digest as text.
// Fresh (after construction, Reset or HexDigest): HexDigest returns "".
// Accumulating (after an accepted AddData): HexDigest returns the digest of
// everything added since the last reset and makes the object fresh again.
// Owns nothing outside itself; never throws.
class XMD5 {
 public:
  XMD5();

  // Forgets everything added: the object becomes fresh.
  void Reset();

  // Adds length bytes at data. Refuses (returns false, changes nothing, does
  // not count the call) a null data or a negative length. A length of 0 with
  // a valid pointer is accepted and counted although it adds no bytes.
  bool AddData(const void* data, std::int32_t length);

  // Returns the 32 lowercase hex digits of the MD5 of everything added since
  // the last reset, then resets. Returns "" when no chunk was accepted, and
  // leaves the object as it was.
  std::string HexDigest();

 private:
  // Writes result.digest as 32 lowercase hex digits into result.text.
  static void FormatHex(Md5Result& result);

  std::int32_t updateCount = 0;  // AddData calls accepted since the last Reset
  Md5State state{};
};

}  // namespace zar

#endif  // ZAR_DIGEST_XMD5_H_
