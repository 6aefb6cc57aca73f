// Cases that need gigabytes of data: they run natively only.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "digest/md5_state.h"
#include "tests/every_kernel.h"
#include "tests/md5_oracle.h"
#include "tests/program_run.h"

namespace zar {
namespace {

using test::Hex;
using test::OracleMd5;
using test::RandomBytes;

constexpr std::size_t kHalfGiB = std::size_t{1} << 29;

// Every case runs once with each kernel the host can run, and once with
// the automatic choice.
class Md5StateLargeTest : public test::EveryKernelTest {};

TEST_P(Md5StateLargeTest, BitCountCarriesOverManyCalls) {
  const std::vector<unsigned char> piece = RandomBytes(1 << 20, 6);
  const std::size_t pieces = kHalfGiB / piece.size() + 1;  // 2^29 + 1 MiB
  Md5State state;
  state.Init();
  for (std::size_t i = 0; i < pieces; ++i) {
    state.Add(piece.data(), static_cast<std::int32_t>(piece.size()));
  }
  EXPECT_EQ(state.bitCount[1], 1u);
  EXPECT_EQ(state.bitCount[0], (1u << 20) * 8);
  unsigned char digest[16];
  state.Finish(digest);
  EXPECT_EQ(Hex(digest), test::OracleMd5OfRepeats(piece, pieces));
}

TEST_P(Md5StateLargeTest, SingleHugeAddCountsItsHighBits) {
  std::vector<unsigned char> data = RandomBytes(kHalfGiB + 3, 7);
  Md5State state;
  state.Init();
  state.Add(data.data(), static_cast<std::int32_t>(data.size()));
  EXPECT_EQ(state.bitCount[1], 1u);
  EXPECT_EQ(state.bitCount[0], 24u);
  unsigned char digest[16];
  state.Finish(digest);
  EXPECT_EQ(Hex(digest), OracleMd5(data));
}

ZAR_INSTANTIATE_FOR_EVERY_KERNEL(Md5StateLargeTest);

using LargeFileTest = test::TempDirTest;

TEST_F(LargeFileTest, SizeOverFourGiBPrintsInFull) {
  const std::filesystem::path path = dir_ / "sparse";
  const std::uintmax_t size = (std::uintmax_t{1} << 32) + 1'234'567;
  {
    std::ofstream file(path, std::ios::binary);
    file << "start";
  }
  std::filesystem::resize_file(path, size);
  {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(size - 3));
    file << "end";
  }
  EXPECT_EQ(test::AfterBanner(Run({path.string()})), test::Success(path.string()));
}

}  // namespace
}  // namespace zar
