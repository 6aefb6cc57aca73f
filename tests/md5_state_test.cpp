#include "digest/md5_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/every_kernel.h"
#include "tests/md5_oracle.h"

namespace zar {
namespace {

using test::Hex;
using test::OracleMd5;
using test::RandomBytes;

std::string DigestOf(const unsigned char* data, std::size_t size) {
  Md5State state;
  state.Init();
  state.Add(data, static_cast<std::int32_t>(size));
  unsigned char digest[16];
  state.Finish(digest);
  return Hex(digest);
}

std::string DigestOf(const std::string& text) {
  return DigestOf(reinterpret_cast<const unsigned char*>(text.data()),
                  text.size());
}

// Feeds data in pieces whose sizes cycle through pieceSizes.
std::string DigestInPieces(const unsigned char* data, std::size_t size,
                           const std::vector<std::size_t>& pieceSizes) {
  Md5State state;
  state.Init();
  std::size_t done = 0;
  for (std::size_t i = 0; done < size; ++i) {
    const std::size_t piece =
        std::min(pieceSizes[i % pieceSizes.size()], size - done);
    state.Add(data + done, static_cast<std::int32_t>(piece));
    done += piece;
  }
  unsigned char digest[16];
  state.Finish(digest);
  return Hex(digest);
}

// Every case runs once with each kernel the host can run, and once with
// the automatic choice.
class Md5StateTest : public test::EveryKernelTest {};

TEST_P(Md5StateTest, KnownAnswersFromRfc1321) {
  struct Case {
    const char* message;
    const char* digest;
  };
  const Case cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"1234567890123456789012345678901234567890123456789012345678901234567890"
       "1234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DigestOf(c.message), c.digest) << '"' << c.message << '"';
  }
}

TEST_P(Md5StateTest, InitThenFinishIsTheEmptyMessage) {
  Md5State state;
  state.Init();
  unsigned char digest[16];
  state.Finish(digest);
  EXPECT_EQ(Hex(digest), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST_P(Md5StateTest, AgreesWithOracleAtManyLengths) {
  const std::vector<unsigned char> data = RandomBytes(70000, 1);
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 300; ++n) lengths.push_back(n);
  for (std::size_t n : {511, 512, 513, 1023, 4096, 4159, 65535, 70000}) {
    lengths.push_back(n);
  }
  for (std::size_t n : lengths) {
    EXPECT_EQ(DigestOf(data.data(), n), OracleMd5(data.data(), n)) << n;
  }
}

TEST_P(Md5StateTest, AnySplitGivesTheSameDigest) {
  const std::vector<unsigned char> data = RandomBytes(3000, 2);
  const std::string whole = OracleMd5(data);
  const std::vector<std::vector<std::size_t>> patterns = {
      {1},           // byte by byte
      {63},          // every piece leaves the block one short
      {64},          // block-sized pieces
      {65},          // each piece straddles a block border
      {55, 9},       // fills exactly to the length field's position
      {3, 61, 128},  // completes a partial block, then whole blocks
      {1, 64},       // a partial block and a piece that overfills it by one
      {100, 1, 27},  // irregular
      {0, 7, 0, 0, 200},  // empty pieces in between
  };
  for (const auto& pattern : patterns) {
    EXPECT_EQ(DigestInPieces(data.data(), data.size(), pattern), whole)
        << "first piece " << pattern.front();
  }
}

TEST_P(Md5StateTest, UnalignedDataGivesTheSameDigest) {
  const std::vector<unsigned char> data = RandomBytes(1000, 3);
  const std::string expected = OracleMd5(data);
  std::vector<unsigned char> shifted(data.size() + 8);
  for (std::size_t offset = 1; offset < 8; ++offset) {
    std::memcpy(shifted.data() + offset, data.data(), data.size());
    EXPECT_EQ(DigestOf(shifted.data() + offset, data.size()), expected)
        << offset;
    EXPECT_EQ(DigestInPieces(shifted.data() + offset, data.size(), {13, 70}),
              expected)
        << offset;
  }
}

TEST_P(Md5StateTest, ZeroAndNegativeLengthsChangeNothing) {
  const std::vector<unsigned char> data = RandomBytes(100, 4);
  Md5State state;
  state.Init();
  state.Add(data.data(), 37);  // leave a partial block
  Md5State before;
  std::memcpy(&before, &state, sizeof state);
  for (std::int32_t length : {0, -1, -64, INT32_MIN}) {
    state.Add(data.data(), length);
    EXPECT_EQ(std::memcmp(&before, &state, sizeof state), 0) << length;
  }
  state.Add(nullptr, 0);
  EXPECT_EQ(std::memcmp(&before, &state, sizeof state), 0);
}

TEST_P(Md5StateTest, PaddingBringsTheLengthToABlockBorder) {
  struct Case {
    std::size_t length;
    std::uint32_t paddingBytes;
  };
  const Case cases[] = {{0, 56}, {55, 1}, {56, 64}, {63, 57}, {64, 56}, {119, 1}};
  const std::vector<unsigned char> data = RandomBytes(200, 5);
  for (const Case& c : cases) {
    Md5State state;
    state.Init();
    state.Add(data.data(), static_cast<std::int32_t>(c.length));
    unsigned char digest[16];
    state.Finish(digest);
    // Finish counts its own padding and length bytes into the record.
    EXPECT_EQ(state.bitCount[0] / 8, c.length + c.paddingBytes + 8) << c.length;
    EXPECT_EQ(Hex(digest), OracleMd5(data.data(), c.length)) << c.length;
  }
}

TEST_P(Md5StateTest, OneByteCarriesTheBitCountIntoTheHighWord) {
  // A message of 2^29 bytes and one more MiB, written in full: the bit
  // count's low word wraps on a one-byte Add, and the digest, which encodes
  // the high word, must still be the oracle's. (The same message as the
  // large tests', whose digest the emulated builds have recorded.)
  const std::vector<unsigned char> piece = RandomBytes(1 << 20, 6);
  constexpr std::size_t kPieces = 513;
  const auto* data = piece.data();
  const auto size = static_cast<std::int32_t>(piece.size());
  Md5State state;
  state.Init();
  for (std::size_t i = 0; i < kPieces - 2; ++i) state.Add(data, size);
  state.Add(data, size - 1);
  EXPECT_EQ(state.bitCount[0], 0xFFFFFFF8u);
  EXPECT_EQ(state.bitCount[1], 0u);
  state.Add(data + size - 1, 1);
  EXPECT_EQ(state.bitCount[0], 0u);
  EXPECT_EQ(state.bitCount[1], 1u);
  state.Add(data, size);
  unsigned char digest[16];
  state.Finish(digest);
  // Computed once for all kernels: it takes as long as the hashing.
  static const std::string expected = test::OracleMd5OfRepeats(piece, kPieces);
  EXPECT_EQ(Hex(digest), expected);
}

ZAR_INSTANTIATE_FOR_EVERY_KERNEL(Md5StateTest);

}  // namespace
}  // namespace zar
