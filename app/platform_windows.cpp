// The platform seam for Windows. The program's texts are UTF-8 throughout;
// the system is spoken to through its wide (UTF-16) functions, so that file
// names outside the console's ANSI code page open and print as typed, and
// file names of any length open.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>

#include "app/long_path_windows.h"
#include "app/platform.h"

namespace zar::platform {
namespace {

std::string ToUtf8(const wchar_t* text, int length) {
  if (length <= 0) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0,
                                       nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr,
                      nullptr);
  return result;
}

std::string ToUtf8(const wchar_t* text) {
  return ToUtf8(text, static_cast<int>(std::wcslen(text)));
}

// Converts from codePage; false when text is not valid in it.
bool ToWide(const std::string& text, UINT codePage, std::wstring& result) {
  result.clear();
  if (text.empty()) return true;
  const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
  const int length = static_cast<int>(text.size());
  const int size =
      MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
  if (size <= 0) return false;
  result.resize(static_cast<std::size_t>(size));
  MultiByteToWideChar(codePage, flags, text.data(), length, result.data(), size);
  return true;
}

// Standard output when it is a console, else null. A console is given UTF-16
// text: it shows every character that way whatever its code page, which the
// program leaves alone, as it belongs to the console and outlives the program.
HANDLE ConsoleOutput() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return nullptr;
  return GetConsoleMode(output, &mode) ? output : nullptr;
}

// Converts and writes the text in pieces on the stack, so that writing needs
// no memory from the heap (the message about a failed allocation is written
// too). A piece never splits a character.
void WriteToConsole(HANDLE console, std::string_view text) {
  constexpr std::size_t kPiece = 1024;  // bytes of text per piece
  // A byte never becomes more than one UTF-16 unit; a line break becomes two.
  wchar_t units[kPiece];
  wchar_t lines[2 * kPiece];
  while (!text.empty()) {
    std::size_t size = text.size() < kPiece ? text.size() : kPiece;
    if (size < text.size()) {
      while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) {
        --size;  // back to the first byte of a UTF-8 character
      }
      if (size == 0) size = kPiece;  // no UTF-8 at all
    }
    const int bytes = static_cast<int>(size);
    // Text that is not UTF-8 is taken to be in the ANSI code page, as by Open.
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                     bytes, units, static_cast<int>(kPiece));
    if (length <= 0) {
      length = MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, units,
                                   static_cast<int>(kPiece));
    }
    text.remove_prefix(size);
    DWORD count = 0;
    for (int i = 0; i < length; ++i) {
      if (units[i] == L'\n') lines[count++] = L'\r';  // as text mode writes it
      lines[count++] = units[i];
    }
    for (DWORD done = 0; done < count;) {
      DWORD written = 0;
      if (!WriteConsoleW(console, lines + done, count - done, &written, nullptr) ||
          written == 0) {
        return;
      }
      done += written;
    }
  }
}

// A 32-bit process on 64-bit Windows (WoW64) has its System32 paths silently
// sent to SysWOW64, so the file opened would not be the file named. While
// this lives the redirection is off for this thread; it is back on when it
// goes, as only the opening needs it. Does nothing outside WoW64.
class FileSystemRedirectionOff {
 public:
  FileSystemRedirectionOff() {
    BOOL wow64 = FALSE;
    off_ = IsWow64Process(GetCurrentProcess(), &wow64) && wow64 &&
           Wow64DisableWow64FsRedirection(&previous_);
  }
  ~FileSystemRedirectionOff() {
    if (off_) Wow64RevertWow64FsRedirection(previous_);
  }
  FileSystemRedirectionOff(const FileSystemRedirectionOff&) = delete;
  FileSystemRedirectionOff& operator=(const FileSystemRedirectionOff&) = delete;

 private:
  bool off_ = false;
  PVOID previous_ = nullptr;  // the system's record of the redirection
};

}  // namespace

const char* EditionName() { return "Windows"; }

void WriteOutput(std::string_view text) {
  static const HANDLE console = ConsoleOutput();
  if (console != nullptr) {
    WriteToConsole(console, text);
    return;
  }
  // Standard output is in text mode: each "\n" goes out as CRLF.
  (void)std::fwrite(text.data(), 1, text.size(), stdout);
  (void)std::fflush(stdout);
}

std::vector<std::string> Arguments(int argc, char* argv[]) {
  // The narrow argv holds the arguments in the ANSI code page, where other
  // characters have already become question marks; the wide command line
  // still has them.
  const wchar_t* commandLine = GetCommandLineW();
  std::vector<std::string> arguments;
  if (commandLine == nullptr || *commandLine == L'\0') {
    return arguments;  // started with an empty command line: no arguments
  }
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(commandLine, &count);
  if (wide == nullptr) {
    for (int i = 0; i < argc && argv[i] != nullptr; ++i) {
      arguments.emplace_back(argv[i]);
    }
    return arguments;
  }
  const std::unique_ptr<wchar_t*, decltype(&LocalFree)> owner(wide, &LocalFree);
  for (int i = 0; i < count; ++i) arguments.push_back(ToUtf8(wide[i]));
  return arguments;
}

std::string ExecutablePath() {
  // GetModuleFileNameW truncates a path that does not fit and then returns
  // the buffer's full size: grow the buffer until the path fits. Most paths
  // fit the first buffer; paths can be far longer than MAX_PATH.
  std::wstring path(128, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) return std::string();
    if (length < size) return ToUtf8(path.data(), static_cast<int>(length));
    if (size >= 32768 * 4) return std::string();  // beyond any Windows path
    path.resize(path.size() * 2);
  }
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& name) {
  std::wstring wide;
  // Names come from Arguments() as UTF-8; anything else is taken to be in
  // the ANSI code page, as a narrow name is on Windows.
  if (!ToWide(name, CP_UTF8, wide) && !ToWide(name, CP_ACP, wide)) return false;
  if (wide.empty()) return false;
  const FileSystemRedirectionOff redirectionOff;  // until Open returns
  HANDLE file = CreateFileW(
      ExtendedLengthPath(wide).c_str(), GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<std::intptr_t>(file);
  failed_ = false;
  return true;
}

std::size_t InputFile::Read(void* buffer, std::size_t size) {
  if (failed_) return 0;
  auto* bytes = static_cast<unsigned char*>(buffer);
  HANDLE file = reinterpret_cast<HANDLE>(handle_);
  std::size_t done = 0;
  // A pipe or a network file may deliver less than asked for; only a read
  // of 0 bytes means the end.
  while (done < size) {
    const std::size_t rest = size - done;
    const DWORD ask = rest > (1u << 30) ? (1u << 30) : static_cast<DWORD>(rest);
    DWORD got = 0;
    if (!ReadFile(file, bytes + done, ask, &got, nullptr)) {
      const DWORD error = GetLastError();
      // The writer of a pipe closing its end is the pipe's end of file.
      if (error != ERROR_BROKEN_PIPE && error != ERROR_HANDLE_EOF) {
        failed_ = true;  // the bytes already read are still returned
      }
      break;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

void InputFile::Close() {
  if (handle_ == -1) return;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = -1;
}

}  // namespace zar::platform
