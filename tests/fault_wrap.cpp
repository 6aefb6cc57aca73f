// The faults and the release trace of fault_shim.cpp for builds that cannot
// preload a library (the static s390x build, Windows): linked into a copy of
// the program with -Wl,--wrap (see tests/CMakeLists.txt), so that the
// program's calls come here first. Steered by the same variables:
//   ZAR_FAULT_MALLOC_SIZE=N  malloc of exactly N bytes fails with ENOMEM, and
//                            operator new of N bytes throws std::bad_alloc;
//   ZAR_FAULT_READ_LIMIT=N   reads deliver N bytes in all, then fail;
//   ZAR_TRACE_PATH=PATH      writes marks to standard output, among the
//                            program's own texts: "<open>" or "<open failed>"
//                            when PATH is opened, "<close>" when it is closed,
//                            "<malloc>" or "<malloc failed>" when a block of
//                            BufferTrace::kTracedSize bytes or more is asked
//                            for, "<free>"
//                            when that block is freed.
// On Windows the system's functions are called through their import
// pointers (__imp_CreateFileW ...): those pointers are what is wrapped, and
// each wrapped pointer here leads to the traced version.
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "fault_plan.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cwchar>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#endif

extern "C" void* __real_malloc(std::size_t size);
extern "C" void __real_free(void* block);

namespace {

// Read on first use, since malloc is called before static constructors run;
// plain variables rather than function-local statics, whose guards may
// allocate. The program has one thread.
bool loaded = false;
bool loading = false;               // true while the variables are read
std::size_t failingMallocSize = 0;  // 0: no malloc fails
zar::test::ReadBudget readBudget;

bool tracing = false;
zar::test::BufferTrace bufferTrace;

void LoadTracedPath();

void LoadFaults() {
  if (loaded || loading) return;
  loading = true;
  zar::test::LoadFaultSettings(failingMallocSize, readBudget);
  LoadTracedPath();
  loading = false;
  loaded = true;
}

void WriteMark(const char* text);

// Writes a mark straight to standard output. The program flushes each of
// its texts as it prints it, so the marks land exactly between them.
void Mark(const char* text) {
  if (tracing) WriteMark(text);
}

#if defined(_WIN32)

// The name to trace, as the system is given it; a plain array, as it may be
// filled before static constructors run.
wchar_t tracedPath[32768];
HANDLE tracedHandle = INVALID_HANDLE_VALUE;  // its open handle

void LoadTracedPath() {
  // The wide variable: the narrow one is in the ANSI code page.
  const DWORD length =
      GetEnvironmentVariableW(L"ZAR_TRACE_PATH", tracedPath, 32768);
  tracing = length > 0 && length < 32768;
}

void WriteMark(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text,
            static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

#else

const char* tracedPath = nullptr;  // null: no tracing
int tracedFd = -1;                 // the open descriptor of tracedPath

void LoadTracedPath() {
  tracedPath = std::getenv("ZAR_TRACE_PATH");
  tracing = tracedPath != nullptr;
}

void WriteMark(const char* text) {
  (void)!write(1, text, std::strlen(text));
}

int TracedOpen(int fd, const char* path) {
  LoadFaults();
  if (tracedPath != nullptr && std::strcmp(path, tracedPath) == 0) {
    Mark(fd >= 0 ? "<open>" : "<open failed>");
    if (fd >= 0) tracedFd = fd;
  }
  return fd;
}

mode_t ModeArgument(int flags, va_list rest) {
  return (flags & (O_CREAT | O_TMPFILE)) != 0
             ? static_cast<mode_t>(va_arg(rest, unsigned int))
             : 0;
}

#endif

}  // namespace

extern "C" void* __wrap_malloc(std::size_t size) {
  LoadFaults();
  void* block = nullptr;
  if (failingMallocSize != 0 && size == failingMallocSize) {
    errno = ENOMEM;
  } else {
    block = __real_malloc(size);
  }
  bufferTrace.Allocated(size, block, Mark);
  return block;
}

extern "C" void __wrap_free(void* block) {
  bufferTrace.Freeing(block, Mark);
  __real_free(block);
}

// Replaces the C++ library's own, which need not allocate through malloc;
// its operator delete hands the block to free, as this one expects.
void* operator new(std::size_t size) {
  LoadFaults();
  if (failingMallocSize != 0 && size == failingMallocSize) {
    throw std::bad_alloc();
  }
  void* block = __real_malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

#if defined(_WIN32)

using CreateFileFunction = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD,
                                           LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                           HANDLE);
using CloseHandleFunction = BOOL(WINAPI*)(HANDLE);
using ReadFileFunction = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD,
                                       LPOVERLAPPED);

// The import pointers' symbols, and their --wrap twins: 32-bit names carry
// an underscore and the bytes of the arguments (stdcall), 64-bit names not.
#if defined(__i386__)
#define ZAR_REAL_IMPORT(name, bytes) "___real__imp__" #name "@" #bytes
#define ZAR_WRAPPED_IMPORT(name, bytes) "___wrap__imp__" #name "@" #bytes
#else
#define ZAR_REAL_IMPORT(name, bytes) "__real___imp_" #name
#define ZAR_WRAPPED_IMPORT(name, bytes) "__wrap___imp_" #name
#endif

extern "C" CreateFileFunction realCreateFileW
    __asm__(ZAR_REAL_IMPORT(CreateFileW, 28));
extern "C" CloseHandleFunction realCloseHandle
    __asm__(ZAR_REAL_IMPORT(CloseHandle, 4));
extern "C" ReadFileFunction realReadFile __asm__(ZAR_REAL_IMPORT(ReadFile, 20));

namespace {

HANDLE WINAPI TracedCreateFileW(LPCWSTR name, DWORD access, DWORD share,
                                LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags,
                                HANDLE templateFile) {
  LoadFaults();
  HANDLE file = realCreateFileW(name, access, share, security,
                                         disposition, flags, templateFile);
  if (tracing && std::wcscmp(tracedPath, name) == 0) {
    const DWORD error = GetLastError();  // kept for the caller
    Mark(file != INVALID_HANDLE_VALUE ? "<open>" : "<open failed>");
    if (file != INVALID_HANDLE_VALUE) tracedHandle = file;
    SetLastError(error);
  }
  return file;
}

BOOL WINAPI TracedCloseHandle(HANDLE handle) {
  if (tracing && handle != INVALID_HANDLE_VALUE && handle == tracedHandle) {
    Mark("<close>");
    tracedHandle = INVALID_HANDLE_VALUE;
  }
  return realCloseHandle(handle);
}

BOOL WINAPI BudgetedReadFile(HANDLE file, LPVOID buffer, DWORD size,
                             LPDWORD got, LPOVERLAPPED overlapped) {
  LoadFaults();
  if (!readBudget.Grant(size)) {
    if (got != nullptr) *got = 0;
    SetLastError(ERROR_READ_FAULT);
    return FALSE;
  }
  const BOOL done = realReadFile(file, buffer, size, got, overlapped);
  if (done && got != nullptr) readBudget.Spend(*got);
  return done;
}

}  // namespace

// The import pointers the program's calls go through.
extern "C" {
extern const CreateFileFunction wrappedCreateFileW
    __asm__(ZAR_WRAPPED_IMPORT(CreateFileW, 28));
extern const CloseHandleFunction wrappedCloseHandle
    __asm__(ZAR_WRAPPED_IMPORT(CloseHandle, 4));
extern const ReadFileFunction wrappedReadFile
    __asm__(ZAR_WRAPPED_IMPORT(ReadFile, 20));
const CreateFileFunction wrappedCreateFileW = &TracedCreateFileW;
const CloseHandleFunction wrappedCloseHandle = &TracedCloseHandle;
const ReadFileFunction wrappedReadFile = &BudgetedReadFile;
}

#else

extern "C" ssize_t __real_read(int fd, void* buffer, std::size_t size);
extern "C" int __real_open(const char* path, int flags, ...);
extern "C" int __real_open64(const char* path, int flags, ...);
extern "C" int __real_close(int fd);

extern "C" ssize_t __wrap_read(int fd, void* buffer, std::size_t size) {
  LoadFaults();
  return zar::test::BudgetedRead(readBudget, __real_read, fd, buffer, size);
}

// Both names, as the headers make open one of open64 with 64-bit offsets.
extern "C" int __wrap_open(const char* path, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  const mode_t mode = ModeArgument(flags, rest);
  va_end(rest);
  return TracedOpen(__real_open(path, flags, mode), path);
}

extern "C" int __wrap_open64(const char* path, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  const mode_t mode = ModeArgument(flags, rest);
  va_end(rest);
  return TracedOpen(__real_open64(path, flags, mode), path);
}

extern "C" int __wrap_close(int fd) {
  if (fd >= 0 && fd == tracedFd) {
    Mark("<close>");
    tracedFd = -1;
  }
  return __real_close(fd);
}

#endif
