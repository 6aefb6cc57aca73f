// The platform seam for Linux and other POSIX systems.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "app/platform.h"

namespace zar::platform {

const char* EditionName() {
#if defined(__linux__)
  return "Linux";
#elif defined(__APPLE__)
  return "macOS";
#elif defined(__FreeBSD__)
  return "FreeBSD";
#else
  return "POSIX";
#endif
}

void WriteOutput(std::string_view text) {
  (void)std::fwrite(text.data(), 1, text.size(), stdout);
  (void)std::fflush(stdout);
}

std::vector<std::string> Arguments(int argc, char* argv[]) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc && argv[i] != nullptr; ++i) {
    arguments.emplace_back(argv[i]);
  }
  return arguments;
}

std::string ExecutablePath() {
  // Linux names the running executable by this link; argv[0] is often only
  // the bare name the shell found on PATH. Elsewhere readlink fails and the
  // caller falls back to argv[0].
  std::string path(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) < path.size()) {
      path.resize(static_cast<std::size_t>(length));
      return path;
    }
    path.resize(path.size() * 2);  // possibly truncated: try a larger buffer
  }
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& name) {
  int fd = -1;
  do {
    fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  handle_ = fd;
  failed_ = false;
  return true;
}

std::size_t InputFile::Read(void* buffer, std::size_t size) {
  if (failed_) return 0;
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  // A single read may return less than asked for (pipes, signals, some file
  // systems); only 0 means the end of the file.
  while (done < size) {
    const ssize_t got = read(static_cast<int>(handle_), bytes + done, size - done);
    if (got > 0) {
      done += static_cast<std::size_t>(got);
    } else if (got == 0) {
      break;
    } else if (errno != EINTR) {
      failed_ = true;  // the bytes already read are still returned
      break;
    }
  }
  return done;
}

void InputFile::Close() {
  if (handle_ < 0) return;
  close(static_cast<int>(handle_));
  handle_ = -1;
}

}  // namespace zar::platform
