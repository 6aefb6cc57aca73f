// Fault injection for the end-to-end tests, loaded into the program with
// LD_PRELOAD. It replaces malloc and read and is steered by two variables of
// the test's own (the program itself reads none):
//   ZAR_FAULT_MALLOC_SIZE=N  malloc of exactly N bytes fails with ENOMEM;
//   ZAR_FAULT_READ_LIMIT=N   read delivers N bytes in all, then fails with EIO.
// Every other call goes on to the next definition in the search order: the C
// library's, or that of a memory checker (AddressSanitizer, valgrind) that
// replaces them, so the checker still sees every allocation and every read.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>

namespace {

using MallocFunction = void* (*)(std::size_t);
using ReadFunction = ssize_t (*)(int, void*, std::size_t);

MallocFunction nextMalloc = nullptr;
ReadFunction nextRead = nullptr;
bool resolving = false;  // true while dlsym runs, which may itself allocate

std::size_t failingMallocSize = 0;  // 0: no malloc fails
bool readLimited = false;
std::size_t readBudget = 0;  // bytes read may still deliver

// Looks up the definitions this library stands in front of. malloc may be
// called before this library's constructor has run, so both are looked up on
// first use.
void ResolveNext() {
  if (nextMalloc != nullptr || resolving) return;
  resolving = true;
  nextRead = reinterpret_cast<ReadFunction>(dlsym(RTLD_NEXT, "read"));
  nextMalloc = reinterpret_cast<MallocFunction>(dlsym(RTLD_NEXT, "malloc"));
  resolving = false;
}

std::size_t ParseSize(const char* text) {
  return static_cast<std::size_t>(std::strtoull(text, nullptr, 10));
}

__attribute__((constructor)) void LoadFaults() {
  ResolveNext();
  if (const char* size = std::getenv("ZAR_FAULT_MALLOC_SIZE")) {
    failingMallocSize = ParseSize(size);
  }
  if (const char* limit = std::getenv("ZAR_FAULT_READ_LIMIT")) {
    readLimited = true;
    readBudget = ParseSize(limit);
  }
}

}  // namespace

extern "C" void* malloc(std::size_t size) {
  ResolveNext();
  // An allocation dlsym makes while it looks up the real malloc fails; the
  // loader copes with that, and nothing else allocates so early.
  if (nextMalloc == nullptr ||
      (failingMallocSize != 0 && size == failingMallocSize)) {
    errno = ENOMEM;
    return nullptr;
  }
  return nextMalloc(size);
}

extern "C" ssize_t read(int fd, void* buffer, std::size_t size) {
  ResolveNext();
  if (nextRead == nullptr) {
    errno = ENOSYS;
    return -1;
  }
  if (readLimited) {
    if (readBudget == 0) {
      errno = EIO;
      return -1;
    }
    if (size > readBudget) size = readBudget;
  }
  const ssize_t got = nextRead(fd, buffer, size);
  if (readLimited && got > 0) readBudget -= static_cast<std::size_t>(got);
  return got;
}
