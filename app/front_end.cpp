#include "app/front_end.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/build_stamp.h"
#include "app/display_name.h"
#include "app/platform.h"
#include "digest/xmd5.h"

namespace zar {
namespace {

// Two bytes more than a chunk; reads never touch the spare two.
constexpr std::size_t kBufferSize = kChunkSize + 2;

// Prints and flushes at once, so that a person watching a long run sees each
// text as it happens and a killed run has lost nothing it printed. The text
// is formatted here and written by the platform, which knows the console.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void Print(const char* format, ...) {
  // Texts are formatted on the stack, so that the message about a failure,
  // an allocation failure too, can always be printed; only a text with a
  // long file name needs the heap, where it is formatted a second time.
  char buffer[512];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  if (length < 0) return;
  const auto size = static_cast<std::size_t>(length);
  if (size < sizeof buffer) {
    platform::WriteOutput(std::string_view(buffer, size));
    return;
  }
  std::string text(size, '\0');
  va_start(arguments, format);
  (void)std::vsnprintf(text.data(), size + 1, format, arguments);
  va_end(arguments);
  platform::WriteOutput(text);
}

// The file the no-argument self-test checks: the running executable, by its
// full path when the system can tell it.
std::string SelfTestPath(const std::vector<std::string>& arguments) {
  std::string path = platform::ExecutablePath();
  if (path.empty() && !arguments.empty()) path = arguments[0];
  return path;
}

}  // namespace

// The names are taken by value, as the front end's interface passes texts.
// cppcheck-suppress passedByValue
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void PrintBanner(std::string programName) {
  Print("\n%s - MD5 file checksum, %s edition, built %s\n", programName.c_str(),
        platform::EditionName(), BuildStamp());
}

void PrintUsage() {
  Print(
      "\nTo calculate the checksum for a file run this program with the name "
      "of the file as the only parameter. The values produced should then be "
      "checked against those given when the file was downloaded.  Omitting "
      "parameters results in this message and a self-test of the program.");
}

// By value, as PrintBanner.
// cppcheck-suppress passedByValue
// NOLINTNEXTLINE(performance-unnecessary-value-param)
bool ChecksumFile(std::string fileName) {
  // The name is opened as given but shown escaped: a name chosen by someone
  // else must not forge or hide the result line.
  Print("\nInput file: \"%s\"", DisplayName(fileName).c_str());

  platform::InputFile file;
  if (!file.Open(fileName)) {
    Print(" - FAILED TO OPEN");
    return false;
  }
  Print(" opened");

  XMD5 digest;
  auto* buffer = static_cast<unsigned char*>(std::malloc(kBufferSize));
  if (buffer == nullptr) {
    Print(" - memory allocation failure");
    file.Close();
    return false;
  }

  const auto failReading = [&] {
    Print("\nError in chunk read");
    std::free(buffer);
    file.Close();
    return false;
  };

  std::uint64_t byteTotal = 0;
  std::size_t count = 0;
  do {
    count = file.Read(buffer, kChunkSize);
    if (count > 0) {
      byteTotal += count;
      if (!digest.AddData(buffer, static_cast<std::int32_t>(count))) {
        return failReading();
      }
    }
  } while (count > 0);
  // The loop also ends on a read error; the bytes read so far are not the
  // file, so no digest is reported for them.
  if (file.Failed()) return failReading();

  // An empty file has a digest too, that of the empty message; the digest
  // object gives it once it has accepted a chunk, even an empty one.
  if (byteTotal == 0) digest.AddData(buffer, 0);

  std::free(buffer);
  file.Close();

  const std::string text = digest.HexDigest();
  Print("\nSize=%" PRId64 ", MD5=%s\n", static_cast<std::int64_t>(byteTotal),
        text.c_str());
  return true;
}

int RunProgram(int argc, char* argv[]) {
  try {
    PrintBanner(kProgramName);
    const std::vector<std::string> arguments = platform::Arguments(argc, argv);
    if (arguments.size() < 2) {
      PrintUsage();
      ChecksumFile(SelfTestPath(arguments));
    } else {
      ChecksumFile(arguments[1]);  // further arguments are ignored
    }
  } catch (...) {
    Print("\nERROR, C++Exception encountered");
  }
  return 0;
}

}  // namespace zar
