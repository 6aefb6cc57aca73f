#ifndef ZAR_TESTS_CHILD_PROCESS_POSIX_H_
#define ZAR_TESTS_CHILD_PROCESS_POSIX_H_

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/child_process.h"

// The POSIX parts of running a child, for tests that talk to a child while it
// runs.
namespace zar::test {

// A started child whose standard output and error are pipes to this process.
struct SpawnedChild {
  pid_t pid = -1;
  int outFd = -1;
  int errFd = -1;
};

// Starts program as RunChild does, without waiting for it. Returns false
// when it could not be started.
bool SpawnCaptured(const std::string& program,
                   const std::vector<std::string>& arguments,
                   const std::vector<std::string>& extraEnvironment,
                   SpawnedChild& child);

// Reads the child's standard output until it ends with marker or
// timeoutSeconds pass without it; returns what was read.
std::string ReadOutputUntil(SpawnedChild& child, const std::string& marker,
                            int timeoutSeconds);

// Reads the rest of both pipes, waits for the child and closes the pipes.
ChildResult FinishChild(SpawnedChild& child);

}  // namespace zar::test

#endif  // ZAR_TESTS_CHILD_PROCESS_POSIX_H_
