#ifndef ZAR_TESTS_FAULT_PLAN_H_
#define ZAR_TESTS_FAULT_PLAN_H_

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>

// What both fault libraries (the preloaded shim and the --wrap twin) share:
// the faults a run asks for, the read budget, and the trace of the
// program's read buffer. Nothing here allocates, as it runs inside malloc.
namespace zar::test {

// The read fault: once a budget of bytes has been delivered, reads fail.
struct ReadBudget {
  bool limited = false;  // false: reads pass through untouched
  std::size_t left = 0;  // bytes reads may still deliver

  // Lowers size to what the budget still allows. False when nothing is
  // left: the read must then fail without reaching the system.
  template <typename Size>
  bool Grant(Size& size) const {
    if (!limited) return true;
    if (left == 0) return false;
    if (size > left) size = static_cast<Size>(left);
    return true;
  }

  // Counts the bytes a granted read delivered.
  void Spend(std::size_t got) {
    if (limited) left -= got;
  }
};

// Reads through realRead what budget grants, and counts what it got; with
// nothing left, fails with EIO without calling it.
template <typename RealRead>
ssize_t BudgetedRead(ReadBudget& budget, RealRead realRead, int fd,
                     void* buffer, std::size_t size) {
  if (!budget.Grant(size)) {
    errno = EIO;
    return -1;
  }
  const ssize_t got = realRead(fd, buffer, size);
  if (got > 0) budget.Spend(static_cast<std::size_t>(got));
  return got;
}

// Reads the variables that steer the faults: ZAR_FAULT_MALLOC_SIZE (the size
// of the allocation that fails; 0 or unset: none) and ZAR_FAULT_READ_LIMIT
// (the read budget; unset: unlimited).
inline void LoadFaultSettings(std::size_t& failingMallocSize,
                              ReadBudget& readBudget) {
  if (const char* size = std::getenv("ZAR_FAULT_MALLOC_SIZE")) {
    failingMallocSize =
        static_cast<std::size_t>(std::strtoull(size, nullptr, 10));
  }
  if (const char* limit = std::getenv("ZAR_FAULT_READ_LIMIT")) {
    readBudget.limited = true;
    readBudget.left =
        static_cast<std::size_t>(std::strtoull(limit, nullptr, 10));
  }
}

// The trace of the program's read buffer: allocations of kTracedSize bytes
// or more, which is that buffer and nothing else the program allocates.
// mark writes a mark such as "<malloc>" where the test reads it.
struct BufferTrace {
  static constexpr std::size_t kTracedSize = 1'000'000;
  void* block = nullptr;  // the traced block while it is allocated

  // After an allocation of size bytes that gave result (null: it failed).
  template <typename Mark>
  void Allocated(std::size_t size, void* result, Mark mark) {
    if (size < kTracedSize) return;
    mark(result != nullptr ? "<malloc>" : "<malloc failed>");
    if (result != nullptr) block = result;
  }

  // Before freed is handed back.
  template <typename Mark>
  void Freeing(const void* freed, Mark mark) {
    if (freed == nullptr || freed != block) return;
    mark("<free>");
    block = nullptr;
  }
};

}  // namespace zar::test

#endif  // ZAR_TESTS_FAULT_PLAN_H_
