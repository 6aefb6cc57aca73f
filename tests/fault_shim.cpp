// Fault injection for the end-to-end tests, loaded into the program with
// LD_PRELOAD. It replaces malloc and read and is steered by two variables of
// the test's own (the program itself reads none):
//   ZAR_FAULT_MALLOC_SIZE=N  malloc of exactly N bytes fails with ENOMEM;
//   ZAR_FAULT_READ_LIMIT=N   read delivers N bytes in all, then fails with EIO.
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>

extern "C" void* __libc_malloc(std::size_t size);

namespace {

std::size_t failingMallocSize = 0;  // 0: no malloc fails
bool readLimited = false;
std::size_t readBudget = 0;  // bytes read may still deliver

std::size_t ParseSize(const char* text) {
  return static_cast<std::size_t>(std::strtoull(text, nullptr, 10));
}

__attribute__((constructor)) void LoadFaults() {
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
  if (failingMallocSize != 0 && size == failingMallocSize) {
    errno = ENOMEM;
    return nullptr;
  }
  return __libc_malloc(size);
}

extern "C" ssize_t read(int fd, void* buffer, std::size_t size) {
  if (readLimited) {
    if (readBudget == 0) {
      errno = EIO;
      return -1;
    }
    if (size > readBudget) size = readBudget;
  }
  const auto got = static_cast<ssize_t>(syscall(SYS_read, fd, buffer, size));
  if (readLimited && got > 0) readBudget -= static_cast<std::size_t>(got);
  return got;
}
