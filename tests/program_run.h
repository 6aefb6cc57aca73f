#ifndef ZAR_TESTS_PROGRAM_RUN_H_
#define ZAR_TESTS_PROGRAM_RUN_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/child_process.h"

// Running the built program and spelling out what it must print.
namespace zar::test {

// The built program, and the fault-injection library for LD_PRELOAD.
extern const std::string kProgram;
extern const std::string kFaultShim;

// The environment that loads the fault-injection library into the program
// (LD_PRELOAD and LD_LIBRARY_PATH entries), followed by settings
// ("ZAR_FAULT_...=N" entries).
std::vector<std::string> WithFaultShim(const std::vector<std::string>& settings);

// Runs the program with the faults of fault_shim.cpp switched on by faults
// ("ZAR_FAULT_...=N" and "ZAR_TRACE_PATH=..." entries): the program itself with the shim preloaded,
// or, where nothing can be preloaded (static and Windows builds), the same
// program linked with the shim's fault_wrap.cpp twin.
ChildResult RunWithFaults(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& faults);

// The program RunWithFaults runs: kProgram, or its copy linked with the
// faults.
const std::string& FaultedProgram();

// A path from its UTF-8 text and back: the program's texts are UTF-8 on
// every platform, while std::filesystem's narrow strings are in the ANSI code
// page on Windows.
std::filesystem::path PathFromUtf8(const std::string& text);
std::string Utf8(const std::filesystem::path& path);

// The usage paragraph, exactly as printed.
extern const char* const kUsage;

// "\nInput file: \"NAME\"".
std::string InputLine(const std::string& name);

// "\nSize=SIZE, MD5=MD5\n".
std::string ResultLine(std::uintmax_t size, const std::string& md5);

// The output after the banner of a successful run on path, with the size
// and digest taken from the file system and the oracle.
std::string Success(const std::string& path);

// Checks that a run started, exited with 0, wrote nothing to standard error
// and began with a well-formed banner line; returns what it printed after the
// banner. Each line break must be the platform's own: "\r\n" on Windows,
// where standard output is in text mode, "\n" elsewhere; the text returned
// has "\n" for each.
std::string AfterBanner(const ChildResult& run);

// A fresh, empty directory per test, removed afterwards.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes bytes to a file named name in the directory; returns its path.
  std::string MakeFile(const std::string& name,
                       const std::vector<unsigned char>& bytes);

  // Runs the program with these arguments after argument 0.
  static ChildResult Run(const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});

  std::filesystem::path dir_;
};

}  // namespace zar::test

#endif  // ZAR_TESTS_PROGRAM_RUN_H_
