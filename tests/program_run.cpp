#include "tests/program_run.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>

#include "tests/md5_oracle.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZAR_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZAR_ADDRESS_SANITIZER 1
#endif
#endif

namespace zar::test {

namespace fs = std::filesystem;

const std::string kProgram = ZAR_UV5_BINARY;
const std::string kFaultShim = ZAR_FAULT_SHIM;
const std::string kFaultProgram = ZAR_FAULT_BINARY;  // "" where preloading works

const char* const kUsage =
    "\nTo calculate the checksum for a file run this program with the name of "
    "the file as the only parameter. The values produced should then be "
    "checked against those given when the file was downloaded.  Omitting "
    "parameters results in this message and a self-test of the program.";

// The banner line, without its leading line break; the stamp is the time of
// the build, such as "Dec  9 2013 10:31:44".
namespace {

const std::regex kBanner(
    "zar_uv5 - MD5 file checksum, " ZAR_EXPECTED_EDITION
    " edition, built "
    "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123][0-9] [0-9]{4} "
    "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]");

#if defined(_WIN32)
// Takes "\r\n" back to "\n", failing on any "\n" without its "\r" (a
// stray "\r" is left in, where no expected text has one).
std::string WithoutLineBreakCarriageReturns(const std::string& text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
      ADD_FAILURE() << "bare line break at " << i << " in: " << text;
    }
    result += text[i];
  }
  return result;
}
#else
std::string WithoutLineBreakCarriageReturns(const std::string& text) {
  EXPECT_EQ(text.find('\r'), std::string::npos) << text;
  return text;
}
#endif

}  // namespace

std::vector<std::string> WithFaultShim(const std::vector<std::string>& settings) {
  // LD_PRELOAD takes a blank for a separator and has no escape, so it names
  // the library alone, which the loader looks for in LD_LIBRARY_PATH, where
  // only colons separate: a blank in the path to the build is harmless.
  const fs::path shim(kFaultShim);
  std::string libraryPath = shim.parent_path().string();
  if (const char* inherited = std::getenv("LD_LIBRARY_PATH")) {
    if (*inherited != '\0') libraryPath += std::string(":") + inherited;
  }
  std::vector<std::string> environment = {
      "LD_PRELOAD=" + shim.filename().string(),
      "LD_LIBRARY_PATH=" + libraryPath};
#if ZAR_ADDRESS_SANITIZER
  // AddressSanitizer refuses to start unless its runtime comes first in the
  // search order; the shim must come before it to see the program's mallocs,
  // and hands every one it does not fail on to the sanitizer.
  const char* options = std::getenv("ASAN_OPTIONS");
  environment.push_back(std::string("ASAN_OPTIONS=") +
                        (options != nullptr ? std::string(options) + ":" : "") +
                        "verify_asan_link_order=0");
#endif
  environment.insert(environment.end(), settings.begin(), settings.end());
  return environment;
}

const std::string& FaultedProgram() {
  return kFaultProgram.empty() ? kProgram : kFaultProgram;
}

ChildResult RunWithFaults(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& faults) {
  const std::string& program = FaultedProgram();
  const std::vector<std::string> environment =
      kFaultProgram.empty() ? WithFaultShim(faults) : faults;
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunChild(program, argv, environment);
}

std::filesystem::path PathFromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string InputLine(const std::string& name) {
  return "\nInput file: \"" + name + "\"";
}

std::string ResultLine(std::uintmax_t size, const std::string& md5) {
  return "\nSize=" + std::to_string(size) + ", MD5=" + md5 + "\n";
}

// What a run printed after its banner, once the banner itself, the exit
// status and the silence on standard error have been checked.
std::string AfterBanner(const ChildResult& run) {
  EXPECT_TRUE(run.started);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.standardError, "");
  const std::string out = WithoutLineBreakCarriageReturns(run.standardOutput);
  const std::size_t end = out.find('\n', 1);
  if (out.empty() || out[0] != '\n' || end == std::string::npos) {
    ADD_FAILURE() << "no banner in: " << out;
    return out;
  }
  EXPECT_TRUE(std::regex_match(out.substr(1, end - 1), kBanner))
      << out.substr(0, end);
  return out.substr(end + 1);
}

std::string Success(const std::string& path) {
  return InputLine(path) + " opened" +
         ResultLine(fs::file_size(PathFromUtf8(path)), OracleMd5OfFile(path));
}

void TempDirTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir_ = fs::temp_directory_path() /
         (std::string("zar_uv5_test_") + info->name() + "_" +
          std::to_string(::getpid()));
  fs::remove_all(dir_);
  fs::create_directories(dir_);
}

void TempDirTest::TearDown() { fs::remove_all(dir_); }

std::string TempDirTest::MakeFile(const std::string& name,
                                  const std::vector<unsigned char>& bytes) {
  const fs::path path = dir_ / PathFromUtf8(name);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return Utf8(path);
}

ChildResult TempDirTest::Run(const std::vector<std::string>& arguments,
                             const std::vector<std::string>& environment) {
  std::vector<std::string> argv = {kProgram};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunChild(kProgram, argv, environment);
}

}  // namespace zar::test
