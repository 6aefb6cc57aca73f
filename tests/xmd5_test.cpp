#include "digest/xmd5.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/every_kernel.h"
#include "tests/md5_oracle.h"

namespace zar {
namespace {

constexpr const char* kEmptyMessageMd5 = "d41d8cd98f00b204e9800998ecf8427e";

bool IsLowercaseHex(const std::string& text) {
  return text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// Every case runs once with each kernel the host can run, and once with
// the automatic choice.
class XMD5Test : public test::EveryKernelTest {};

TEST_P(XMD5Test, FreshObjectGivesEmptyText) {
  XMD5 digest;
  EXPECT_EQ(digest.HexDigest(), "");
}

TEST_P(XMD5Test, RefusedChunksChangeNothing) {
  const std::vector<unsigned char> data = test::RandomBytes(50, 8);
  XMD5 fresh;
  EXPECT_FALSE(fresh.AddData(nullptr, 10));
  EXPECT_FALSE(fresh.AddData(data.data(), -1));
  EXPECT_FALSE(fresh.AddData(nullptr, 0));
  EXPECT_EQ(fresh.HexDigest(), "") << "refused chunks must not be counted";

  XMD5 busy;
  ASSERT_TRUE(busy.AddData(data.data(), 50));
  EXPECT_FALSE(busy.AddData(data.data(), INT32_MIN));
  EXPECT_FALSE(busy.AddData(nullptr, 5));
  EXPECT_EQ(busy.HexDigest(), test::OracleMd5(data));
}

TEST_P(XMD5Test, EmptyChunkIsAcceptedAndCounted) {
  const unsigned char byte = 0;
  XMD5 digest;
  EXPECT_TRUE(digest.AddData(&byte, 0));
  EXPECT_EQ(digest.HexDigest(), kEmptyMessageMd5);
}

TEST_P(XMD5Test, DigestResetsTheObject) {
  const std::vector<unsigned char> first = test::RandomBytes(1000, 9);
  const std::vector<unsigned char> second = test::RandomBytes(77, 10);
  XMD5 digest;
  ASSERT_TRUE(digest.AddData(first.data(), 600));
  ASSERT_TRUE(digest.AddData(first.data() + 600, 400));
  EXPECT_EQ(digest.HexDigest(), test::OracleMd5(first));
  EXPECT_EQ(digest.HexDigest(), "") << "a second digest without data";
  ASSERT_TRUE(digest.AddData(second.data(), 77));
  EXPECT_EQ(digest.HexDigest(), test::OracleMd5(second))
      << "the earlier message must not leak into the next";
}

TEST_P(XMD5Test, TextIsAlways32LowercaseHexDigits) {
  // Many digests, so that bytes below 0x10 (which need a leading zero) and
  // above 0x9f (letters) occur in every position.
  for (std::uint32_t seed = 1; seed <= 200; ++seed) {
    const std::vector<unsigned char> data = test::RandomBytes(seed, seed);
    XMD5 digest;
    ASSERT_TRUE(digest.AddData(data.data(), static_cast<std::int32_t>(seed)));
    const std::string text = digest.HexDigest();
    ASSERT_EQ(text.size(), 32u);
    ASSERT_TRUE(IsLowercaseHex(text)) << text;
    ASSERT_EQ(text, test::OracleMd5(data));
  }
}

ZAR_INSTANTIATE_FOR_EVERY_KERNEL(XMD5Test);

}  // namespace
}  // namespace zar
