#ifndef ZAR_APP_FRONT_END_H_
#define ZAR_APP_FRONT_END_H_

#include <cstddef>
#include <string>

// The command-line front end. Every text goes to standard output and is
// flushed at once; nothing is written to standard error.
namespace zar {

// The name the banner shows; fixed, not taken from the command line.
inline constexpr const char* kProgramName = "zar_uv5";

// Bytes asked for by every read of the file.
inline constexpr std::size_t kChunkSize = 10'000'000;

// Prints the banner: program name, edition and build stamp, ending the line.
void PrintBanner(std::string programName);

// Prints the paragraph that explains how to run the program.
void PrintUsage();

// Prints the file's name as DisplayName shows it, opens the file by the name
// exactly as given, reads it in chunks of kChunkSize bytes and prints its
// size and MD5 digest. Returns true when the size and digest were printed;
// false after printing why not (the file did not open, the buffer could not
// be allocated, or reading failed). Releases everything it acquired before it
// returns. May throw std::bad_alloc building the name's text, before anything
// is acquired, or the digest text, after the file and buffer are released.
bool ChecksumFile(std::string fileName);

// The whole program: banner, then the file named by the first argument, or
// the usage paragraph and a self-test on the program's own executable when
// there is no argument. Catches every exception. Always returns 0.
int RunProgram(int argc, char* argv[]);

}  // namespace zar

#endif  // ZAR_APP_FRONT_END_H_
