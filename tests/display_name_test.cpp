// How a file name is shown: printable text of every script as it is, control
// characters and bytes outside valid UTF-8 as \xNN.
#include "app/display_name.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace zar {
namespace {

TEST(DisplayNameTest, EscapesControlsAndInvalidBytesOnly) {
  struct Case {
    std::string name;
    std::string shown;
  };
  const Case cases[] = {
      // Kept as they are.
      {"", ""},
      {"plain.txt", "plain.txt"},
      {" a %s %n 100% \"quoted\" 'single' \\x0a back\\slash ~",
       " a %s %n 100% \"quoted\" 'single' \\x0a back\\slash ~"},
      {"файл ü 中 😀.bin", "файл ü 中 😀.bin"},
      {"\xc2\xa0 \xc2\xa9", "\xc2\xa0 \xc2\xa9"},  // U+00A0, first past C1
      {"\xed\x9f\xbf", "\xed\x9f\xbf"},            // U+D7FF, last before surrogates
      {"\xee\x80\x80", "\xee\x80\x80"},            // U+E000, first after them
      {"\xf4\x8f\xbf\xbf", "\xf4\x8f\xbf\xbf"},    // U+10FFFF, the last
      // C0 controls and DEL, each on its own.
      {std::string("\0", 1), "\\x00"},
      {"new\nline.txt", "new\\x0aline.txt"},
      {"a\tb\rc\x1f", "a\\x09b\\x0dc\\x1f"},
      {"\x1b[8m", "\\x1b[8m"},
      {"\x7f", "\\x7f"},
      // C1 controls: each of their two bytes.
      {"\xc2\x80", "\\xc2\\x80"},
      {"x\xc2\x9b" "8m", "x\\xc2\\x9b8m"},  // CSI, the one-character ESC [
      {"\xc2\x9f", "\\xc2\\x9f"},
      // Bytes outside valid UTF-8, each escaped alone, the text after them
      // judged afresh.
      {"\xff", "\\xff"},
      {"a\x80z", "a\\x80z"},              // a lone continuation byte
      {"\xc3", "\\xc3"},                  // cut short at the end
      {"\xc3z", "\\xc3z"},                // cut short by ASCII
      {"\xe4\xb8", "\\xe4\\xb8"},         // three-byte form cut short
      {"\xe4\xb8\xe4\xb8\xad", "\\xe4\\xb8\xe4\xb8\xad"},  // then a valid one
      {"\xc0\xaf", "\\xc0\\xaf"},         // overlong '/'
      {"\xc1\xbf", "\\xc1\\xbf"},         // overlong
      {"\xe0\x9f\xbf", "\\xe0\\x9f\\xbf"},      // overlong three-byte form
      {"\xf0\x8f\xbf\xbf", "\\xf0\\x8f\\xbf\\xbf"},  // overlong four-byte form
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},      // U+D800, a surrogate
      {"\xed\xbf\xbf", "\\xed\\xbf\\xbf"},      // U+DFFF
      {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},  // U+110000
      {"\xf5\x80\x80\x80", "\\xf5\\x80\\x80\\x80"},
      {"\xfe\xfe", "\\xfe\\xfe"},
      {"\xc2\n", "\\xc2\\x0a"},  // the line break is escaped as ever
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DisplayName(c.name), c.shown) << c.shown;
  }
}

TEST(DisplayNameTest, EveryByteAloneIsKeptOrEscapedAsASingleByte) {
  for (int value = 0; value < 256; ++value) {
    const std::string byte(1, static_cast<char>(value));
    const bool kept = value >= 0x20 && value < 0x7F;
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", value);
    EXPECT_EQ(DisplayName(byte), kept ? byte : std::string(escaped)) << value;
  }
}

}  // namespace
}  // namespace zar
