#include "app/display_name.h"

#include <cstddef>

namespace zar {
namespace {

// The length of the valid UTF-8 sequence that starts at text[at], or 0 when
// the byte there starts none. The ranges of the second byte rule out overlong
// forms (E0, F0), surrogates (ED) and code points above U+10FFFF (F4).
std::size_t ValidSequenceLength(const std::string& text, std::size_t at) {
  const auto byte = [&](std::size_t i) {
    return static_cast<unsigned char>(text[at + i]);
  };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;  // the range of the second byte
  unsigned char high = 0xBF;
  if (lead < 0x80) {
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;  // a continuation byte, C0, C1 or F5 to FF
  }
  if (text.size() - at < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

// True for the characters shown escaped although valid: the C0 controls,
// DEL and the C1 controls (C2 80 to C2 9F).
bool IsControl(const std::string& text, std::size_t at, std::size_t length) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (length == 1) return lead < 0x20 || lead == 0x7F;
  return length == 2 && lead == 0xC2 &&
         static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

void AppendEscaped(unsigned char byte, std::string& out) {
  constexpr char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
}

}  // namespace

std::string DisplayName(const std::string& name) {
  std::string shown;
  shown.reserve(name.size());
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t length = ValidSequenceLength(name, at);
    if (length == 0 || IsControl(name, at, length)) {
      // An invalid byte is escaped alone: the bytes after it are judged
      // afresh, since a valid character may follow a broken one.
      const std::size_t escaped = length == 0 ? 1 : length;
      for (std::size_t i = 0; i < escaped; ++i) {
        AppendEscaped(static_cast<unsigned char>(name[at + i]), shown);
      }
      at += escaped;
    } else {
      shown.append(name, at, length);
      at += length;
    }
  }
  return shown;
}

}  // namespace zar
