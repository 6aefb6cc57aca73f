// End-to-end cases that need POSIX: a FIFO that lets the test watch a run
// while it happens.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/child_process_posix.h"
#include "tests/md5_oracle.h"
#include "tests/program_run.h"

namespace zar {
namespace {

using test::AfterBanner;
using test::InputLine;
using test::kProgram;


using PosixEndToEndTest = test::TempDirTest;

TEST_F(PosixEndToEndTest, EachTextIsShownAsItIsPrinted) {
  // The program blocks reading a FIFO, so what it printed so far must already
  // have reached its pipe, unbuffered by the C library.
  const std::string fifo = (dir_ / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  test::SpawnedChild child;
  ASSERT_TRUE(test::SpawnCaptured(kProgram, {kProgram, fifo}, {}, child));
  const int writer = open(fifo.c_str(), O_WRONLY);  // waits for the program
  ASSERT_GE(writer, 0);
  const std::string early =
      test::ReadOutputUntil(child, InputLine(fifo) + " opened", 20);
  EXPECT_TRUE(early.ends_with(InputLine(fifo) + " opened")) << early;

  ASSERT_EQ(write(writer, "abc", 3), 3);
  close(writer);
  test::ChildResult run = test::FinishChild(child);
  run.standardOutput = early + run.standardOutput;
  EXPECT_EQ(AfterBanner(run),
            InputLine(fifo) +
                " opened\nSize=3, MD5=900150983cd24fb0d6963f7d28e17f72\n");
}

}  // namespace
}  // namespace zar
