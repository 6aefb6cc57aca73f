#include "digest/xmd5.h"

#include <cstdio>
#include <limits>

namespace zar {

XMD5::XMD5() { Reset(); }

void XMD5::Reset() {
  updateCount = 0;
  state.Init();
}

bool XMD5::AddData(const void* data, std::int32_t length) {
  if (data == nullptr || length < 0) return false;
  // Saturates rather than overflowing: only "none" versus "some" matters.
  if (updateCount < std::numeric_limits<std::int32_t>::max()) ++updateCount;
  state.Add(static_cast<const unsigned char*>(data), length);
  return true;
}

std::string XMD5::HexDigest() {
  if (updateCount < 1) return std::string();
  Md5Result result{};
  state.Finish(result.digest);
  FormatHex(result);
  Reset();
  return std::string(result.text, 32);
}

void XMD5::FormatHex(Md5Result& result) {
  // A byte always makes two digits and there is room for them and the zero,
  // so snprintf cannot cut anything short.
  for (std::size_t i = 0; i < 16; ++i) {
    (void)std::snprintf(result.text + 2 * i, 3, "%02x", result.digest[i]);
  }
  result.text[32] = '\0';
}

}  // namespace zar
