// Runs the built program as a person would and checks every byte it prints.
#include <gtest/gtest.h>

#include <cstdlib>
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
using test::RunWithFaults;
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
      {"файл ü 中.bin", 5},  // outside any ANSI code page of Windows
  };
  std::uint32_t seed = 20;
  for (const Case& c : cases) {
    const std::string path = MakeFile(c.name, test::RandomBytes(c.size, ++seed));
    EXPECT_EQ(AfterBanner(Run({path})), Success(path)) << c.name;
  }
}

TEST_F(EndToEndTest, NameCannotForgeOrHideTheResultLine) {
  // A name that would end its own line, print a result line of its choosing
  // and conceal the rest of the output (ESC [8m, or the C1 control CSI in
  // place of ESC [) shows escaped, and the real result line follows it.
  // Windows allows no control character below 0x20 in a file name: such
  // names reach the program there, but name no file. Its wide command line
  // cannot carry a byte that is not UTF-8 at all.
  const std::string forged =
      "\"\nSize=70, MD5=0123456789abcdef0123456789abcdef\n\x1b[8m";
  const std::string forgedShown =
      "\"\\x0aSize=70, MD5=0123456789abcdef0123456789abcdef\\x0a\\x1b[8m";
  struct Case {
    std::string name;
    std::string shown;
    bool windowsName;  // whether the name can reach the program on Windows
    bool windowsFile;  // whether Windows can have a file of this name
  };
  const Case cases[] = {
      {"new\nline.txt", "new\\x0aline.txt", true, false},
      {"x" + forged, "x" + forgedShown, true, false},
      {"csi \xc2\x9b" "8m hidden", "csi \\xc2\\x9b8m hidden", true, true},
      {"latin-1 \xff.txt", "latin-1 \\xff.txt", false, false},
  };
#if defined(_WIN32)
  constexpr bool kWindows = true;
#else
  constexpr bool kWindows = false;
#endif
  const std::string dirShown = test::Utf8(dir_ / "");
  const std::vector<unsigned char> bytes = test::RandomBytes(70, 25);
  for (const Case& c : cases) {
    const std::string path = dirShown + c.name;
    if (kWindows && !c.windowsName) continue;
    if (kWindows && !c.windowsFile) {
      EXPECT_EQ(AfterBanner(Run({path})),
                InputLine(dirShown + c.shown) + " - FAILED TO OPEN")
          << c.shown;
      continue;
    }
    ASSERT_EQ(MakeFile(c.name, bytes), path) << c.shown;
    EXPECT_EQ(AfterBanner(Run({path})),
              InputLine(dirShown + c.shown) + " opened" +
                  test::ResultLine(bytes.size(), test::OracleMd5(bytes)))
        << c.shown;
  }
}

TEST_F(EndToEndTest, SelfTestShowsItsPathTheSameWay) {
  const fs::path dir = dir_ / test::PathFromUtf8("self \xc2\x9b test");
  fs::create_directories(dir);
  const fs::path copy = dir / fs::path(kProgram).filename();
  fs::copy_file(test::PathFromUtf8(kProgram), copy);
  const std::string path = test::Utf8(copy);
  const std::string shown = test::Utf8(dir_ / "self \\xc2\\x9b test" /
                                       fs::path(kProgram).filename());
  EXPECT_EQ(AfterBanner(RunChild(path, {path})),
            std::string(kUsage) + InputLine(shown) + " opened" +
                test::ResultLine(fs::file_size(copy),
                                 test::OracleMd5OfFile(path)));
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

#if !defined(_WIN32)
// Windows opens no directory as a file and has no /proc; its read error from
// the system is tested in end_to_end_windows_test.cpp.
TEST_F(EndToEndTest, ReadErrorIsNotReportedAsSuccess) {
  // A directory opens but cannot be read; the start of /proc/self/mem is
  // unmapped memory, which reads as an I/O error.
  for (const std::string& path : {dir_.string(), std::string("/proc/self/mem")}) {
    EXPECT_EQ(AfterBanner(Run({path})),
              InputLine(path) + " opened\nError in chunk read")
        << path;
  }
}
#endif

TEST_F(EndToEndTest, ReadErrorPartWayThroughTheFile) {
  const std::string path = MakeFile("big", test::RandomBytes(25'000'000, 3));
  // The second chunk is cut short by the error, the third read fails.
  EXPECT_EQ(AfterBanner(RunWithFaults({path}, {"ZAR_FAULT_READ_LIMIT=15000000"})),
            InputLine(path) + " opened\nError in chunk read");
  // The same fault with a budget the file does not exhaust changes nothing.
  EXPECT_EQ(AfterBanner(RunWithFaults({path}, {"ZAR_FAULT_READ_LIMIT=26000000"})),
            Success(path));
}

// Sets a variable of this process's environment for the scope.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
#if defined(_WIN32)
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
  }
  ~ScopedVariable() {
#if defined(_WIN32)
    _putenv_s(name_, "");  // an empty value removes it
#else
    unsetenv(name_);
#endif
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
};

TEST_F(EndToEndTest, ExtraEnvironmentReplacesTheParentsEntry) {
  // The tests rely on it: the entry a run is given wins over the entry of the
  // same name that the test process itself has.
  const std::string path = MakeFile("small", test::RandomBytes(10, 4));
  const ScopedVariable everyReadFails("ZAR_FAULT_READ_LIMIT", "0");
  EXPECT_EQ(AfterBanner(RunWithFaults({path}, {"ZAR_FAULT_READ_LIMIT=1000"})),
            Success(path));
}

TEST_F(EndToEndTest, ReadBufferCannotBeAllocated) {
  const std::string path = MakeFile("small", test::RandomBytes(10, 4));
  EXPECT_EQ(AfterBanner(RunWithFaults({path}, {"ZAR_FAULT_MALLOC_SIZE=10000002"})),
            InputLine(path) + " opened - memory allocation failure");
  // Failing some other size shows that it is the read buffer that matters.
  EXPECT_EQ(AfterBanner(RunWithFaults({path}, {"ZAR_FAULT_MALLOC_SIZE=10000001"})),
            Success(path));
}

TEST_F(EndToEndTest, EveryPathReleasesWhatItAcquiredInOrder) {
  // The fault library marks, among the printed texts, when the file is
  // opened and closed and when the read buffer is allocated and freed: file
  // first, then buffer; buffer released first, then file, both before the
  // result.
  const std::string file = MakeFile("file", test::RandomBytes(100, 5));
  const std::string missing = (dir_ / "missing").string();
#if defined(_WIN32)
  // A directory does not open as a file on Windows: every read fails instead.
  const std::string unreadable = file;
  const std::vector<std::string> readFaults = {"ZAR_FAULT_READ_LIMIT=0"};
#else
  // A directory opens, but cannot be read.
  const std::string unreadable = dir_.string();
  const std::vector<std::string> readFaults;
#endif
  struct Case {
    const char* what;
    std::string path;
    std::vector<std::string> faults;
    std::string expected;  // after the Input file text
  };
  const Case cases[] = {
      {"success", file, {},
       "<open> opened<malloc><free><close>" +
           test::ResultLine(100, test::OracleMd5OfFile(file))},
      {"open fails", missing, {}, "<open failed> - FAILED TO OPEN"},
      {"allocation fails", file, {"ZAR_FAULT_MALLOC_SIZE=10000002"},
       "<open> opened<malloc failed> - memory allocation failure<close>"},
      {"read fails", unreadable, readFaults,
       "<open> opened<malloc>\nError in chunk read<free><close>"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> faults = c.faults;
    faults.push_back("ZAR_TRACE_PATH=" + c.path);
    EXPECT_EQ(AfterBanner(RunWithFaults({c.path}, faults)),
              InputLine(c.path) + c.expected)
        << c.what;
  }
}

TEST_F(EndToEndTest, ExceptionIsCaughtOnEveryPath) {
  // The 32-digit digest text is the only 33-byte allocation of a run, as
  // long as no name the program handles is 32 characters long.
  const std::string failDigestText = "ZAR_FAULT_MALLOC_SIZE=33";
  const std::string path = MakeFile("file", test::RandomBytes(10, 5));
  const std::string program = test::FaultedProgram();
  const std::string self = test::Utf8(fs::canonical(test::PathFromUtf8(program)));
  ASSERT_NE(path.size(), 32u);
  if (self.size() == 32 || program.size() == 32) {
    GTEST_SKIP() << "the program's own path is 32 characters long";
  }
  const std::string caught = "\nERROR, C++Exception encountered";
  EXPECT_EQ(AfterBanner(RunWithFaults({path}, {failDigestText})),
            InputLine(path) + " opened" + caught);
  // The self-test runs under the same guard.
  EXPECT_EQ(AfterBanner(RunWithFaults({}, {failDigestText})),
            kUsage + InputLine(self) + " opened" + caught);
}

TEST_F(EndToEndTest, NoArgumentPrintsUsageAndChecksItself) {
  const std::string self = fs::canonical(kProgram).string();
  const std::string expected = std::string(kUsage) + Success(self);
  EXPECT_EQ(AfterBanner(RunChild(kProgram, {kProgram})), expected);
  // A bare name in argument 0, as a shell passes it for a program found on
  // PATH: the self-test still names the executable by its full path.
  EXPECT_EQ(AfterBanner(RunChild(kProgram, {"zar_uv5"})), expected);
}

TEST_F(EndToEndTest, NoArgumentVectorAtAll) {
  if (!test::kChildCanHaveNoArguments) {
    GTEST_SKIP() << "the emulator cannot start a program without argument 0";
  }
  const std::string self = fs::canonical(kProgram).string();
  EXPECT_EQ(AfterBanner(RunChild(kProgram, {})),
            std::string(kUsage) + Success(self));
}

}  // namespace
}  // namespace zar
