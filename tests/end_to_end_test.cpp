// Runs the built program as a person would and checks every byte it prints.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/md5_oracle.h"
#include "tests/program_run.h"

namespace zar {
namespace {

namespace fs = std::filesystem;
using test::AfterBanner;
using test::InputLine;
using test::kProgram;
using test::kUsage;
using test::RunChild;
using test::Success;

using EndToEndTest = test::TempDirTest;

TEST_F(EndToEndTest, FilesOfInterestingSizesAndNames) {
  struct Case {
    const char* name;
    std::size_t size;
  };
  const Case cases[] = {
      {"one.bin", 1},
      {"chunk.bin", 10'000'000},       // one full chunk, then a read of 0
      {"chunk_plus.bin", 10'000'001},  // a full chunk and a 1-byte one
      {"three.bin", 25'000'000},
      {"a %s %n 100%.bin", 70},  // printed unchanged, never as a format
      {" leading and trailing blanks ", 3},
  };
  std::uint32_t seed = 20;
  for (const Case& c : cases) {
    const std::string path = MakeFile(c.name, test::RandomBytes(c.size, ++seed));
    EXPECT_EQ(AfterBanner(Run({path})), Success(path)) << c.name;
  }
}

TEST_F(EndToEndTest, EmptyFileHasTheDigestOfTheEmptyMessage) {
  const std::string path = MakeFile("empty", {});
  EXPECT_EQ(AfterBanner(Run({path})),
            InputLine(path) +
                " opened\nSize=0, MD5=d41d8cd98f00b204e9800998ecf8427e\n");
}

TEST_F(EndToEndTest, OnlyTheFirstArgumentIsUsed) {
  const std::string first = MakeFile("first", test::RandomBytes(100, 1));
  const std::string second = MakeFile("second", test::RandomBytes(100, 2));
  EXPECT_EQ(AfterBanner(Run({first, second, "--help", "-"})), Success(first));
}

TEST_F(EndToEndTest, NameThatCannotBeOpened) {
  const std::string path = (dir_ / "no such file").string();
  EXPECT_EQ(AfterBanner(Run({path})), InputLine(path) + " - FAILED TO OPEN");
  EXPECT_EQ(AfterBanner(Run({""})), InputLine("") + " - FAILED TO OPEN");
}

TEST_F(EndToEndTest, DirectoryIsNotReportedAsAFile) {
  const std::string path = dir_.string();
  const std::string out = AfterBanner(Run({path}));
  EXPECT_TRUE(out == InputLine(path) + " opened\nError in chunk read" ||
              out == InputLine(path) + " - FAILED TO OPEN")
      << out;
}

TEST_F(EndToEndTest, NoArgumentPrintsUsageAndChecksItself) {
  const std::string self = fs::canonical(kProgram).string();
  const std::string expected = std::string(kUsage) + Success(self);
  EXPECT_EQ(AfterBanner(RunChild(kProgram, {kProgram})), expected);
  // A bare name in argument 0, as a shell passes it for a program found on
  // PATH: the self-test still names the executable by its full path.
  EXPECT_EQ(AfterBanner(RunChild(kProgram, {"zar_uv5"})), expected);
  // No argument vector at all.
  EXPECT_EQ(AfterBanner(RunChild(kProgram, {})), expected);
}

}  // namespace
}  // namespace zar
