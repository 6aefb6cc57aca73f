#include "tests/child_process_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace zar::test {
namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Drains both pipes together, so that a child filling one cannot block.
void ReadBoth(int outFd, int errFd, ChildResult& result) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&result.standardOutput, &result.standardError};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

// The program ZAR_TEST_RUN_UNDER names, taken whole (a path may hold
// blanks; options belong in a wrapper script), or nothing when it is unset
// or empty.
std::vector<std::string> RunUnder() {
  const char* text = std::getenv("ZAR_TEST_RUN_UNDER");
  if (text == nullptr || *text == '\0') return {};
  return {text};
}

// A cross build runs its programs through the emulator (qemu-user), which
// takes the child's argument 0 as an option.
const std::string kLauncher = ZAR_CHILD_LAUNCHER;

}  // namespace

const bool kChildCanHaveNoArguments = kLauncher.empty();

bool SpawnCaptured(const std::string& givenProgram,
                   const std::vector<std::string>& arguments,
                   const std::vector<std::string>& extraEnvironment,
                   SpawnedChild& child) {
  std::string program = givenProgram;
  std::vector<std::string> argumentTexts = arguments;
  if (!kLauncher.empty()) {
    if (arguments.empty()) return false;  // qemu always passes argument 0
    argumentTexts = {kLauncher, "-0", arguments[0], program};
    argumentTexts.insert(argumentTexts.end(), arguments.begin() + 1,
                         arguments.end());
    program = kLauncher;
  }
  // A wrapper such as a memory checker runs the program with argument 0 set
  // to its path; runs that give argument 0 another value, or none at all,
  // cannot be wrapped and run directly.
  std::vector<std::string> wrapper = RunUnder();
  if (arguments.empty() || arguments[0] != program) wrapper.clear();
  if (!wrapper.empty()) {
    argumentTexts.insert(argumentTexts.begin(), wrapper.begin(), wrapper.end());
  }
  // An extra entry replaces the parent's entry of the same name: with both,
  // which one a lookup finds would be up to the C library.
  const auto overridden = [&](const char* entry) {
    for (const std::string& extra : extraEnvironment) {
      const std::size_t equals = extra.find('=');
      if (equals != std::string::npos &&
          std::strncmp(entry, extra.c_str(), equals + 1) == 0) {
        return true;
      }
    }
    return false;
  };
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!overridden(*entry)) environment.emplace_back(*entry);
  }
  // A library to preload is meant for the program, not for the wrapper: the
  // wrapper receives it as ZAR_TEST_LD_PRELOAD and hands it on.
  for (const std::string& extra : extraEnvironment) {
    const bool preload = extra.starts_with("LD_PRELOAD=");
    environment.push_back(!wrapper.empty() && preload ? "ZAR_TEST_" + extra
                                                      : extra);
  }
  std::vector<char*> argv = Pointers(argumentTexts);
  std::vector<char*> envp = Pointers(environment);

  // Close-on-exec, so that the child inherits only the copies on its
  // standard output and standard error.
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return false;
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  posix_spawn_file_actions_addclose(&actions, errPipe[0]);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                   O_RDONLY, 0);
  const int spawned =
      wrapper.empty()
          ? posix_spawn(&child.pid, program.c_str(), &actions, nullptr,
                        argv.data(), envp.data())
          : posix_spawnp(&child.pid, wrapper[0].c_str(), &actions, nullptr,
                         argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  if (spawned != 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    return false;
  }
  child.outFd = outPipe[0];
  child.errFd = errPipe[0];
  return true;
}

std::string ReadOutputUntil(SpawnedChild& child, const std::string& marker,
                            int timeoutSeconds) {
  std::string seen;
  char buffer[4096];
  while (!seen.ends_with(marker)) {
    pollfd fd = {child.outFd, POLLIN, 0};
    const int ready = poll(&fd, 1, timeoutSeconds * 1000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    const ssize_t got = read(child.outFd, buffer, sizeof buffer);
    if (got <= 0) break;
    seen.append(buffer, static_cast<std::size_t>(got));
  }
  return seen;
}

ChildResult FinishChild(SpawnedChild& child) {
  ChildResult result;
  result.started = true;
  ReadBoth(child.outFd, child.errFd, result);
  int status = 0;
  while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  close(child.outFd);
  close(child.errFd);
  child = SpawnedChild();
  return result;
}

ChildResult RunChild(const std::string& program,
                     const std::vector<std::string>& arguments,
                     const std::vector<std::string>& extraEnvironment) {
  SpawnedChild child;
  if (!SpawnCaptured(program, arguments, extraEnvironment, child)) {
    return ChildResult();
  }
  return FinishChild(child);
}

}  // namespace zar::test
