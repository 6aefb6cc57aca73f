// The recorded digests are found by the CRC that POSIX cksum prints; these
// answers are what coreutils cksum printed for the same bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/recorded_digests.h"

namespace zar {
namespace {

TEST(CksumTest, AgreesWithThePosixTool) {
  struct Case {
    std::string bytes;
    std::uint32_t crc;
  };
  const Case cases[] = {
      {"", 4294967295u},
      {"a", 1220704766u},
      {"abc", 1219131554u},
      {"123456789", 930766865u},
      {std::string(100000, '\0'), 1260869142u},  // a three-byte length
  };
  for (const Case& c : cases) {
    test::Cksum whole;
    whole.Add(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(whole.Value(), c.crc) << c.bytes.size() << " bytes";
    test::Cksum pieces;
    for (char byte : c.bytes) pieces.Add(&byte, 1);
    EXPECT_EQ(pieces.Value(), c.crc) << c.bytes.size() << " bytes, one by one";
  }
}

}  // namespace
}  // namespace zar
