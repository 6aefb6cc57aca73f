#ifndef ZAR_TESTS_FAULT_READ_BUDGET_H_
#define ZAR_TESTS_FAULT_READ_BUDGET_H_

#include <sys/types.h>

#include <cerrno>
#include <cstddef>

// The read fault both fault libraries inject (the preloaded shim and the
// --wrap twin): once a budget of bytes has been delivered, reads fail.
namespace zar::test {

struct ReadBudget {
  bool limited = false;  // false: reads pass through untouched
  std::size_t left = 0;  // bytes reads may still deliver
};

// Reads at most budget.left bytes through realRead and counts what it got;
// with nothing left, fails with EIO without calling it.
template <typename RealRead>
ssize_t BudgetedRead(ReadBudget& budget, RealRead realRead, int fd,
                     void* buffer, std::size_t size) {
  if (budget.limited) {
    if (budget.left == 0) {
      errno = EIO;
      return -1;
    }
    if (size > budget.left) size = budget.left;
  }
  const ssize_t got = realRead(fd, buffer, size);
  if (budget.limited && got > 0) budget.left -= static_cast<std::size_t>(got);
  return got;
}

}  // namespace zar::test

#endif  // ZAR_TESTS_FAULT_READ_BUDGET_H_
