#include "virtual_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel::testing_support {
namespace {

constexpr const char* kServer = OSTREL_XVFB;
constexpr int kStartTimeoutMilliseconds = 20'000;

void Reap(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

VirtualDisplay::VirtualDisplay() {
  // The server picks a free display number itself and writes it to this pipe once it is ready.
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  const std::string readyFd = std::to_string(ready[1]);
  std::vector<std::string> words = {kServer,       "-displayfd", readyFd, "-screen",   "0",
                                    "1024x768x24", "-dpi",       "96",    "-nolisten", "tcp"};
  std::vector<char*> argv;
  for (std::string& word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);

  pid_ = fork();
  if (pid_ == 0) {
    fcntl(ready[1], F_SETFD, 0);  // the one descriptor the server must inherit
    const int quiet = open("/dev/null", O_RDWR);
    dup2(quiet, 0);
    dup2(quiet, 1);
    dup2(quiet, 2);
    execv(kServer, argv.data());
    _exit(127);
  }
  close(ready[1]);
  if (pid_ < 0) {
    close(ready[0]);
    throw std::runtime_error("fork");
  }

  std::string number;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMilliseconds);
  while (number.empty() || number.back() != '\n') {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd wait{ready[0], POLLIN, 0};
    if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0)
      break;
    char buffer[16];
    const ssize_t got = read(ready[0], buffer, sizeof buffer);
    if (got <= 0)
      break;
    number.append(buffer, static_cast<std::size_t>(got));
  }
  close(ready[0]);
  if (number.empty() || number.back() != '\n') {
    kill(pid_, SIGKILL);
    Reap(pid_);
    throw std::runtime_error("Xvfb did not start");
  }
  number.pop_back();
  name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
  kill(pid_, SIGTERM);
  Reap(pid_);
}

}  // namespace ostrel::testing_support
