// The faults of fault_shim.cpp for builds that cannot preload a library (the
// static s390x build, Windows): linked into a copy of the program with
// -Wl,--wrap=malloc (and --wrap=read where the program reads with read), so
// that the program's calls come here first. Steered by the same variables:
//   ZAR_FAULT_MALLOC_SIZE=N  malloc of exactly N bytes fails with ENOMEM;
//   ZAR_FAULT_READ_LIMIT=N   read delivers N bytes in all, then fails with EIO.
#include <cerrno>
#include <cstddef>
#include <cstdlib>

#include "fault_read_budget.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

extern "C" void* __real_malloc(std::size_t size);

namespace {

// Read on first use, since malloc is called before static constructors run;
// plain variables rather than function-local statics, whose guards may
// allocate. The program has one thread.
bool loaded = false;
std::size_t failingMallocSize = 0;  // 0: no malloc fails
zar::test::ReadBudget readBudget;

std::size_t ParseSize(const char* text) {
  return static_cast<std::size_t>(std::strtoull(text, nullptr, 10));
}

void LoadFaults() {
  if (loaded) return;
  loaded = true;
  if (const char* size = std::getenv("ZAR_FAULT_MALLOC_SIZE")) {
    failingMallocSize = ParseSize(size);
  }
  if (const char* limit = std::getenv("ZAR_FAULT_READ_LIMIT")) {
    readBudget.limited = true;
    readBudget.left = ParseSize(limit);
  }
}

}  // namespace

extern "C" void* __wrap_malloc(std::size_t size) {
  LoadFaults();
  if (failingMallocSize != 0 && size == failingMallocSize) {
    errno = ENOMEM;
    return nullptr;
  }
  return __real_malloc(size);
}

#if !defined(_WIN32)
extern "C" ssize_t __real_read(int fd, void* buffer, std::size_t size);

extern "C" ssize_t __wrap_read(int fd, void* buffer, std::size_t size) {
  LoadFaults();
  return zar::test::BudgetedRead(readBudget, __real_read, fd, buffer, size);
}
#endif
