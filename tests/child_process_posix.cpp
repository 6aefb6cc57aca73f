#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "tests/child_process.h"

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

// A cross build runs its programs through the emulator (qemu-user), which
// takes the child's argument 0 as an option.
const std::string kLauncher = ZAR_CHILD_LAUNCHER;

}  // namespace

const bool kChildCanHaveNoArguments = kLauncher.empty();

ChildResult RunChild(const std::string& givenProgram,
                     const std::vector<std::string>& arguments,
                     const std::vector<std::string>& extraEnvironment) {
  ChildResult result;
  std::string program = givenProgram;
  std::vector<std::string> argumentTexts = arguments;
  if (!kLauncher.empty()) {
    if (arguments.empty()) return result;  // qemu always passes argument 0
    argumentTexts = {kLauncher, "-0", arguments[0], program};
    argumentTexts.insert(argumentTexts.end(), arguments.begin() + 1,
                         arguments.end());
    program = kLauncher;
  }
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    environment.emplace_back(*entry);
  }
  environment.insert(environment.end(), extraEnvironment.begin(),
                     extraEnvironment.end());
  std::vector<char*> argv = Pointers(argumentTexts);
  std::vector<char*> envp = Pointers(environment);

  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0) return result;
  if (pipe(errPipe) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  posix_spawn_file_actions_addclose(&actions, errPipe[0]);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                   O_RDONLY, 0);

  pid_t pid;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr,
                                  argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  if (spawned == 0) {
    result.started = true;
    ReadBoth(outPipe[0], errPipe[0], result);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  close(outPipe[0]);
  close(errPipe[0]);
  return result;
}

}  // namespace zar::test
