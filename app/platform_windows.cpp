// The platform seam for Windows. The program's texts are UTF-8 throughout;
// the system is spoken to through its wide (UTF-16) functions, so that file
// names outside the console's ANSI code page open and print as typed.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <memory>

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

// While the program runs, a console shows its UTF-8 output as UTF-8; the
// console's own code page is put back when the program ends, since the
// console outlives it. Output to a pipe or file is UTF-8 bytes either way.
class Utf8Console {
 public:
  Utf8Console() {
    DWORD mode;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
      previous_ = GetConsoleOutputCP();
      if (previous_ != CP_UTF8 && !SetConsoleOutputCP(CP_UTF8)) previous_ = 0;
    }
  }
  ~Utf8Console() {
    if (previous_ != 0 && previous_ != CP_UTF8) SetConsoleOutputCP(previous_);
  }
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  UINT previous_ = 0;  // 0: not a console, or left as it was
};

const Utf8Console utf8Console;

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
      wide.c_str(), GENERIC_READ,
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
