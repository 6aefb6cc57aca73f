#ifndef ZAR_TESTS_CHILD_PROCESS_H_
#define ZAR_TESTS_CHILD_PROCESS_H_

#include <string>
#include <vector>

namespace zar::test {

// What a finished child process left behind.
struct ChildResult {
  bool started = false;   // false when the process could not be run at all
  int exitStatus = -1;    // exit code; -1 when killed by a signal
  std::string standardOutput;
  std::string standardError;
};

// False where a child cannot be started with an empty argument vector (under
// an emulator that always passes argument 0).
extern const bool kChildCanHaveNoArguments;

// Runs program with exactly the argument vector arguments (argument 0
// included; an empty vector starts it with no arguments at all), with the
// parent's environment plus extraEnvironment ("NAME=value" entries, each
// replacing the parent's entry of that name). Captures
// standard output and standard error apart and waits for it to end.
// When the environment variable ZAR_TEST_RUN_UNDER names a program (one
// path, taken whole, blanks included: a wrapper script such as .ci/memcheck,
// which holds any options) and argument 0 is program itself, program runs
// under it: as ZAR_TEST_RUN_UNDER PROGRAM ARGUMENTS... An
// LD_PRELOAD entry of extraEnvironment then reaches the wrapper as
// ZAR_TEST_LD_PRELOAD, for it to hand to the program alone.
ChildResult RunChild(const std::string& program,
                     const std::vector<std::string>& arguments,
                     const std::vector<std::string>& extraEnvironment = {});

}  // namespace zar::test

#endif  // ZAR_TESTS_CHILD_PROCESS_H_
