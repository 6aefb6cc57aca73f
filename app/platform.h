#ifndef ZAR_APP_PLATFORM_H_
#define ZAR_APP_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The program's one seam to the operating system: everything that differs
// between platforms is declared here and defined in one file per platform.
namespace zar::platform {

// The word the banner uses for the platform this binary was built for, such
// as "Linux". Never null.
const char* EditionName();

// The command-line arguments as text, argument 0 first; empty when the
// process was started with no arguments at all. May throw std::bad_alloc.
std::vector<std::string> Arguments(int argc, char* argv[]);

// The full path of the running executable, or "" when the system cannot tell.
// May throw std::bad_alloc.
std::string ExecutablePath();

// Writes text, which is UTF-8 with "\n" line breaks, to standard output and
// flushes it, so that it shows at once. On Windows a console is given the
// text as UTF-16; a file or pipe gets the UTF-8 bytes, each "\n" as CRLF.
// A failed write is ignored: standard output is the program's only channel.
// Never throws, and takes no memory from the heap of its own.
void WriteOutput(std::string_view text);

// One file opened for binary reading. Not copyable. The destructor closes a
// file that is still open, so no path can leak it.
class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // Opens the named file for reading its raw bytes. Returns false when it
  // cannot be opened. Requires that no file is open.
  bool Open(const std::string& name);

  // Reads up to size bytes into buffer, fewer only at the end of the file or
  // on an error. Returns the number of bytes read: 0 at the end of the file,
  // and 0 on every call after an error. Requires an open file.
  std::size_t Read(void* buffer, std::size_t size);

  // True once a read has failed; end of the file is not a failure.
  bool Failed() const { return failed_; }

  // Closes the file. Does nothing when no file is open.
  void Close();

 private:
  std::intptr_t handle_ = -1;  // the system's handle; -1 when closed
  bool failed_ = false;
};

}  // namespace zar::platform

#endif  // ZAR_APP_PLATFORM_H_
