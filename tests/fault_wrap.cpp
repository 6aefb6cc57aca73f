// The faults of fault_shim.cpp for builds that cannot preload a library (the
// static s390x build, Windows): linked into a copy of the program with
// -Wl,--wrap=malloc (and --wrap=read where the program reads with read), so
// that the program's calls come here first. Steered by the same variables:
//   ZAR_FAULT_MALLOC_SIZE=N  malloc of exactly N bytes fails with ENOMEM;
//   ZAR_FAULT_READ_LIMIT=N   read delivers N bytes in all, then fails with EIO.
#include <cerrno>
#include <cstddef>
#include <cstdlib>

#if !defined(_WIN32)
#include <unistd.h>
#endif

extern "C" void* __real_malloc(std::size_t size);

namespace {

std::size_t ParseSize(const char* text) {
  return static_cast<std::size_t>(std::strtoull(text, nullptr, 10));
}

// Read on first use: malloc may be called before static constructors run.
std::size_t FailingMallocSize() {
  static const std::size_t size = [] {
    const char* text = std::getenv("ZAR_FAULT_MALLOC_SIZE");
    return text != nullptr ? ParseSize(text) : 0;  // 0: no malloc fails
  }();
  return size;
}

}  // namespace

extern "C" void* __wrap_malloc(std::size_t size) {
  if (size != 0 && size == FailingMallocSize()) {
    errno = ENOMEM;
    return nullptr;
  }
  return __real_malloc(size);
}

#if !defined(_WIN32)
extern "C" ssize_t __real_read(int fd, void* buffer, std::size_t size);

extern "C" ssize_t __wrap_read(int fd, void* buffer, std::size_t size) {
  static const char* const limit = std::getenv("ZAR_FAULT_READ_LIMIT");
  static std::size_t budget = limit != nullptr ? ParseSize(limit) : 0;
  if (limit != nullptr) {
    if (budget == 0) {
      errno = EIO;
      return -1;
    }
    if (size > budget) size = budget;
  }
  const ssize_t got = __real_read(fd, buffer, size);
  if (limit != nullptr && got > 0) budget -= static_cast<std::size_t>(got);
  return got;
}
#endif
