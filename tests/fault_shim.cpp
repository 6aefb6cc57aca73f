// Fault injection and release tracing for the end-to-end tests, loaded into
// the program with LD_PRELOAD. It replaces malloc, free, operator new, open,
// close and read and is steered by variables of the test's own (the program
// itself reads none):
//   ZAR_FAULT_MALLOC_SIZE=N  malloc of exactly N bytes fails with ENOMEM, and
//                            operator new of N bytes throws std::bad_alloc
//                            (a sanitizer's or valgrind's operator new does
//                            not go through malloc);
//   ZAR_FAULT_READ_LIMIT=N   read delivers N bytes in all, then fails with EIO;
//   ZAR_TRACE_PATH=PATH      writes marks to standard output, among the
//                            program's own texts: "<open>" or "<open failed>"
//                            when PATH is opened, "<close>" when it is closed,
//                            "<malloc>" or "<malloc failed>" when a block of
//                            BufferTrace::kTracedSize bytes or more is asked
//                            for, "<free>"
//                            when that block is freed.
// Every other call goes on to the next definition in the search order: the C
// library's, or that of a memory checker (AddressSanitizer, valgrind) that
// replaces them, so the checker still sees every allocation and every read.
// Both open and open64 are replaced; with 64-bit file offsets the headers
// would make the definition of open one of open64.
#undef _FILE_OFFSET_BITS
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "fault_plan.h"

namespace {

using MallocFunction = void* (*)(std::size_t);
using FreeFunction = void (*)(void*);
using OpenFunction = int (*)(const char*, int, ...);
using CloseFunction = int (*)(int);
using ReadFunction = ssize_t (*)(int, void*, std::size_t);
using NewFunction = void* (*)(std::size_t);

MallocFunction nextMalloc = nullptr;
FreeFunction nextFree = nullptr;
OpenFunction nextOpen = nullptr;
OpenFunction nextOpen64 = nullptr;
CloseFunction nextClose = nullptr;
ReadFunction nextRead = nullptr;
NewFunction nextNew = nullptr;
bool resolving = false;  // true while dlsym runs, which may itself allocate

const char* tracedPath = nullptr;  // null: no tracing
int tracedFd = -1;                 // the open descriptor of tracedPath
zar::test::BufferTrace bufferTrace;

std::size_t failingMallocSize = 0;  // 0: no malloc fails
zar::test::ReadBudget readBudget;

// Looks up the definitions this library stands in front of. malloc may be
// called before this library's constructor has run, so both are looked up on
// first use.
void ResolveNext() {
  if (nextMalloc != nullptr || resolving) return;
  resolving = true;
  nextFree = reinterpret_cast<FreeFunction>(dlsym(RTLD_NEXT, "free"));
  nextOpen = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, "open"));
  nextOpen64 = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, "open64"));
  nextClose = reinterpret_cast<CloseFunction>(dlsym(RTLD_NEXT, "close"));
  nextRead = reinterpret_cast<ReadFunction>(dlsym(RTLD_NEXT, "read"));
  // operator new(std::size_t), by its mangled name.
  nextNew = reinterpret_cast<NewFunction>(
      dlsym(RTLD_NEXT, sizeof(std::size_t) == 8 ? "_Znwm" : "_Znwj"));
  nextMalloc = reinterpret_cast<MallocFunction>(dlsym(RTLD_NEXT, "malloc"));
  resolving = false;
}

// Writes a mark straight to standard output. The program flushes each of
// its texts as it prints it, so the marks land exactly between them.
void Mark(const char* text) {
  if (tracedPath != nullptr) syscall(SYS_write, 1, text, std::strlen(text));
}

int TracedOpen(OpenFunction next, const char* path, int flags, va_list rest) {
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0
                          ? static_cast<mode_t>(va_arg(rest, unsigned int))
                          : 0;
  if (next == nullptr) {
    errno = ENOSYS;
    return -1;
  }
  const int fd = next(path, flags, mode);
  if (tracedPath != nullptr && std::strcmp(path, tracedPath) == 0) {
    Mark(fd >= 0 ? "<open>" : "<open failed>");
    if (fd >= 0) tracedFd = fd;
  }
  return fd;
}

__attribute__((constructor)) void LoadFaults() {
  ResolveNext();
  zar::test::LoadFaultSettings(failingMallocSize, readBudget);
  tracedPath = std::getenv("ZAR_TRACE_PATH");
}

}  // namespace

extern "C" void* malloc(std::size_t size) {
  ResolveNext();
  // An allocation dlsym makes while it looks up the real malloc fails; the
  // loader copes with that, and nothing else allocates so early.
  void* block = nullptr;
  if (nextMalloc == nullptr ||
      (failingMallocSize != 0 && size == failingMallocSize)) {
    errno = ENOMEM;
  } else {
    block = nextMalloc(size);
  }
  bufferTrace.Allocated(size, block, Mark);
  return block;
}

extern "C" void free(void* block) {
  ResolveNext();
  bufferTrace.Freeing(block, Mark);
  if (nextFree != nullptr) nextFree(block);
}

extern "C" int open(const char* path, int flags, ...) {
  ResolveNext();
  va_list rest;
  va_start(rest, flags);
  const int fd = TracedOpen(nextOpen, path, flags, rest);
  va_end(rest);
  return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
  ResolveNext();
  va_list rest;
  va_start(rest, flags);
  const int fd = TracedOpen(nextOpen64, path, flags, rest);
  va_end(rest);
  return fd;
}

extern "C" int close(int fd) {
  ResolveNext();
  if (fd >= 0 && fd == tracedFd) {
    Mark("<close>");
    tracedFd = -1;
  }
  if (nextClose == nullptr) {
    errno = ENOSYS;
    return -1;
  }
  return nextClose(fd);
}

extern "C" ssize_t read(int fd, void* buffer, std::size_t size) {
  ResolveNext();
  if (nextRead == nullptr) {
    errno = ENOSYS;
    return -1;
  }
  return zar::test::BudgetedRead(readBudget, nextRead, fd, buffer, size);
}

void* operator new(std::size_t size) {
  ResolveNext();
  if ((failingMallocSize != 0 && size == failingMallocSize) ||
      nextNew == nullptr) {
    throw std::bad_alloc();
  }
  return nextNew(size);
}
