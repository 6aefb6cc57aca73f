#ifndef ZAR_TESTS_EVERY_KERNEL_H_
#define ZAR_TESTS_EVERY_KERNEL_H_

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "digest/md5_dispatch.h"

namespace zar {

// Shows a kernel by its name in test output.
void PrintTo(const Md5Kernel& kernel, std::ostream* out);

namespace test {

// The kernels this host can run, as test parameters.
std::vector<Md5Kernel> RunnableKernels();

// The runnable kernels, then {"automatic", nullptr}: forcing a null kernel
// leaves Md5State to the automatic choice, race and all.
std::vector<Md5Kernel> KernelsAndAutomaticChoice();

// Names each instance of a test after its kernel.
std::string KernelName(const testing::TestParamInfo<Md5Kernel>& info);

// Fixture for tests that must pass with every kernel: while a test runs,
// every Md5State uses the kernel that is the test's parameter (the
// automatic choice for the null one).
class EveryKernelTest : public testing::TestWithParam<Md5Kernel> {
 protected:
  EveryKernelTest() { Md5ForceBlocks(GetParam().blocks); }
  ~EveryKernelTest() { Md5ForceBlocks(nullptr); }
};

}  // namespace test
}  // namespace zar

// Runs every TEST_P of the suite once per runnable kernel and once with the
// automatic choice.
#define ZAR_INSTANTIATE_FOR_EVERY_KERNEL(suite)                          \
  INSTANTIATE_TEST_SUITE_P(                                              \
      Kernel, suite, testing::ValuesIn(test::KernelsAndAutomaticChoice()), \
      test::KernelName)

#endif  // ZAR_TESTS_EVERY_KERNEL_H_
