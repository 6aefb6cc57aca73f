// End-to-end cases that need POSIX: faults injected with LD_PRELOAD, files
// from /proc, and a FIFO that lets the test watch a run while it happens.
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

namespace fs = std::filesystem;
using test::AfterBanner;
using test::InputLine;
using test::WithFaultShim;
using test::kProgram;
using test::kUsage;
using test::Success;


using PosixEndToEndTest = test::TempDirTest;

TEST_F(PosixEndToEndTest, EveryPathReleasesWhatItAcquiredInOrder) {
  // The shim marks, among the printed texts, when the file is opened and
  // closed and when the read buffer is allocated and freed: file first, then
  // buffer; buffer released first, then file, both before the result.
  const std::string file = MakeFile("file", test::RandomBytes(100, 5));
  const std::string missing = (dir_ / "missing").string();
  const std::string directory = dir_.string();  // opens, but cannot be read
  struct Case {
    const char* what;
    std::string path;
    std::vector<std::string> settings;
    std::string expected;  // after the Input file text
  };
  const Case cases[] = {
      {"success", file, {},
       "<open> opened<malloc><free><close>" +
           test::ResultLine(100, test::OracleMd5OfFile(file))},
      {"open fails", missing, {}, "<open failed> - FAILED TO OPEN"},
      {"allocation fails", file, {"ZAR_FAULT_MALLOC_SIZE=10000002"},
       "<open> opened<malloc failed> - memory allocation failure<close>"},
      {"read fails", directory, {},
       "<open> opened<malloc>\nError in chunk read<free><close>"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> settings = c.settings;
    settings.push_back("ZAR_TRACE_PATH=" + c.path);
    EXPECT_EQ(AfterBanner(Run({c.path}, WithFaultShim(settings))),
              InputLine(c.path) + c.expected)
        << c.what;
  }
}

TEST_F(PosixEndToEndTest, ExceptionIsCaughtOnEveryPath) {
  // The 32-digit digest text is the only 33-byte allocation of a run, as
  // long as no name the program handles is 32 characters long.
  const std::string failDigestText = "ZAR_FAULT_MALLOC_SIZE=33";
  const std::string path = MakeFile("file", test::RandomBytes(10, 5));
  const std::string self = fs::canonical(kProgram).string();
  ASSERT_NE(path.size(), 32u);
  if (self.size() == 32 || kProgram.size() == 32) {
    GTEST_SKIP() << "the program's own path is 32 characters long";
  }
  const std::string caught = "\nERROR, C++Exception encountered";
  EXPECT_EQ(AfterBanner(Run({path}, WithFaultShim({failDigestText}))),
            InputLine(path) + " opened" + caught);
  // The self-test runs under the same guard.
  EXPECT_EQ(AfterBanner(Run({}, WithFaultShim({failDigestText}))),
            kUsage + InputLine(self) + " opened" + caught);
}

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
