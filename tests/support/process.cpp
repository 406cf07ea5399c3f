#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace ostrel::testing_support {
Pipe::Pipe() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  read = fds[0];
  write = fds[1];
}

void ExchangeWithChild(int stdinFd, const std::string& stdinText, int stdoutFd, int stderrFd,
                       std::string& stdoutText, std::string& stderrText) {
  signal(SIGPIPE, SIG_IGN);
  std::size_t written = 0;
  int input = stdinFd;
  // Non-blocking: a large write must not wait for a program that waits for its output to be read.
  fcntl(input, F_SETFL, fcntl(input, F_GETFL) | O_NONBLOCK);
  if (stdinText.empty()) {
    close(input);
    input = -1;
  }
  pollfd fds[3] = {{stdoutFd, POLLIN, 0}, {stderrFd, POLLIN, 0}, {input, POLLOUT, 0}};
  int open = 2;
  while (open > 0) {
    fds[2].fd = input;
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0)
        continue;
      char buffer[65536];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? stdoutText : stderrText).append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
    if (input >= 0 && fds[2].revents != 0) {
      const ssize_t n = write(input, stdinText.data() + written, stdinText.size() - written);
      if (n > 0)
        written += static_cast<std::size_t>(n);
      if ((n < 0 && errno != EAGAIN) || written == stdinText.size()) {
        close(input);
        input = -1;
      }
    }
  }
  for (const pollfd& fd : fds) {
    if (fd.fd >= 0)
      close(fd.fd);
  }
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const std::string& stdinText) {
  Pipe in, out, err;
  const pid_t pid = fork();
  if (pid < 0)
    throw std::runtime_error("fork");
  if (pid == 0) {
    dup2(in.read, 0);
    dup2(out.write, 1);
    dup2(err.write, 2);
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0)
      _exit(126);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in.read);
  close(out.write);
  close(err.write);

  ProcessResult result;
  ExchangeWithChild(in.write, stdinText, out.read, err.read, result.Stdout, result.Stderr);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status))
    result.ExitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace ostrel::testing_support
