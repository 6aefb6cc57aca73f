// Runs a child process on Windows: CreateProcessW with both output pipes.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>
#include <thread>
#include <vector>

#include "tests/child_process.h"

namespace zar::test {
namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), size);
  return wide;
}

// Quotes one argument so that the child's command-line parser gives it back
// unchanged: backslashes are literal except before a double quote.
void AppendQuoted(const std::wstring& argument, std::wstring& line) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote is escaped.
    line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, L'\\');  // before the closing quote
  line += L'"';
}

// The name of a NAME=value entry. Windows' hidden entries for the current
// directory of each drive ("=C:=C:\\dir") begin with the equals sign, which
// is then part of the name.
std::wstring NameOf(const std::wstring& entry) {
  return entry.substr(0, entry.find(L'=', 1));
}

// The parent's environment block with the extra entries, as CreateProcessW
// takes it: NAME=value strings, each ended by a null, then one more null.
// An extra entry replaces the parent's entry of the same name, which
// Windows compares without regard to case.
std::wstring EnvironmentBlock(const std::vector<std::string>& extra) {
  std::vector<std::wstring> extraEntries;
  for (const std::string& entry : extra) extraEntries.push_back(Wide(entry));
  const auto replaced = [&](const std::wstring& entry) {
    const std::wstring name = NameOf(entry);
    for (const std::wstring& other : extraEntries) {
      const std::wstring otherName = NameOf(other);
      if (CompareStringOrdinal(name.data(), static_cast<int>(name.size()),
                               otherName.data(),
                               static_cast<int>(otherName.size()),
                               TRUE) == CSTR_EQUAL) {
        return true;
      }
    }
    return false;
  };
  std::wstring block;
  if (wchar_t* strings = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = strings; *entry != L'\0';) {
      const std::wstring text(entry);
      if (!replaced(text)) {
        block += text;
        block += L'\0';
      }
      entry += text.size() + 1;
    }
    FreeEnvironmentStringsW(strings);
  }
  for (const std::wstring& entry : extraEntries) {
    block += entry;
    block += L'\0';
  }
  block += L'\0';
  return block;
}

void Drain(HANDLE pipe, std::string& sink) {
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    sink.append(buffer, got);
  }
}

}  // namespace

const bool kChildCanHaveNoArguments = true;

ChildResult RunChild(const std::string& program,
                     const std::vector<std::string>& arguments,
                     const std::vector<std::string>& extraEnvironment) {
  ChildResult result;
  // An empty argument vector is an empty command line: the closest Windows
  // has to a process started with no arguments at all.
  std::wstring commandLine;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) commandLine += L' ';
    AppendQuoted(Wide(arguments[i]), commandLine);
  }
  std::wstring environment = EnvironmentBlock(extraEnvironment);

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite;
  if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) return result;
  if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
    CloseHandle(outRead);
    CloseHandle(outWrite);
    return result;
  }
  // Only the child's ends are inherited, so its exit closes the pipes.
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, OPEN_EXISTING, 0, nullptr);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process{};
  const std::wstring application = Wide(program);
  const BOOL started = CreateProcessW(
      application.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
      CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &process);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (started) {
    result.started = true;
    // Both pipes are drained together, so that a child filling one cannot
    // block.
    std::thread errors(Drain, errRead, std::ref(result.standardError));
    Drain(outRead, result.standardOutput);
    errors.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) {
      result.exitStatus = static_cast<int>(code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(outRead);
  CloseHandle(errRead);
  return result;
}

}  // namespace zar::test
