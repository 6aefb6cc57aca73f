#include "tests/every_kernel.h"

namespace zar {

void PrintTo(const Md5Kernel& kernel, std::ostream* out) { *out << kernel.name; }

namespace test {

std::vector<Md5Kernel> RunnableKernels() {
  std::size_t count = 0;
  const Md5Kernel* kernels = Md5RunnableKernels(&count);
  return std::vector<Md5Kernel>(kernels, kernels + count);
}

std::vector<Md5Kernel> KernelsAndAutomaticChoice() {
  std::vector<Md5Kernel> kernels = RunnableKernels();
  kernels.push_back({"automatic", nullptr});
  return kernels;
}

std::string KernelName(const testing::TestParamInfo<Md5Kernel>& info) {
  return info.param.name;
}

}  // namespace test
}  // namespace zar
