#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace ostrel::testing_support {
namespace {
// Both ends of a pipe that is closed on exec, for a child's standard streams.
struct Pipe {
  int read = -1;
  int write = -1;
  Pipe();
};

Pipe::Pipe() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  read = fds[0];
  write = fds[1];
}

// Feeds stdinText to the child's standard input (closing it when done, or at once when empty)
// while collecting its standard output and error, until both of those are closed. Every
// descriptor is closed on return.
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

// In the child, just before exec.
[[noreturn]] void ExecTool(const std::string& program, const ToolCall& call) {
  for (const auto& [name, value] : call.Environment)
    setenv(name.c_str(), value.c_str(), 1);
  if (!call.WorkingDirectory.empty() && chdir(call.WorkingDirectory.c_str()) != 0)
    _exit(126);
  signal(SIGPIPE, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : call.Arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

void Collect(int status, ToolRun& result) {
  if (WIFEXITED(status)) {
    result.ExitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.Signal = WTERMSIG(status);
  }
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// Starts the program on a new pseudo-terminal, whose other side comes back in terminal.
pid_t StartOnTerminal(const std::string& program, const ToolCall& call, int& terminal) {
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid < 0)
    throw std::runtime_error("forkpty");
  if (pid == 0)
    ExecTool(program, call);
  return pid;
}

// Appends what the program showed next; false once it has ended and closed the terminal (EIO).
bool ReadFromTerminal(int terminal, std::string& shown) {
  char buffer[4096];
  ssize_t n = 0;
  do {
    n = read(terminal, buffer, sizeof buffer);
  } while (n < 0 && errno == EINTR);
  if (n <= 0)
    return false;
  shown.append(buffer, static_cast<std::size_t>(n));
  return true;
}

bool Echoing(int terminal) {
  termios settings{};
  return tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
}

}  // namespace

ToolRun RunTool(const std::string& program, const ToolCall& call) {
  Pipe in, out, err, extra;
  const pid_t pid = fork();
  if (pid < 0)
    throw std::runtime_error("fork");
  if (pid == 0) {
    setsid();  // no controlling terminal: the program can never ask
    dup2(in.read, 0);
    dup2(out.write, 1);
    dup2(err.write, 2);
    if (!call.Descriptor3.empty())
      dup2(extra.read, 3);
    ExecTool(program, call);
  }
  close(in.read);
  close(out.write);
  close(err.write);
  close(extra.read);
  signal(SIGPIPE, SIG_IGN);
  // The extra descriptor's text is small: it fits in the pipe at once.
  if (!call.Descriptor3.empty() &&
      write(extra.write, call.Descriptor3.data(), call.Descriptor3.size()) < 0)
    throw std::runtime_error("write");
  close(extra.write);

  ToolRun result;
  ExchangeWithChild(in.write, call.Stdin, out.read, err.read, result.Stdout, result.Stderr);
  Collect(WaitFor(pid), result);
  return result;
}

ToolRun RunToolOnTerminal(const std::string& program, const ToolCall& call,
                          const std::vector<std::string>& answers) {
  int terminal = -1;
  const pid_t pid = StartOnTerminal(program, call, terminal);

  ToolRun result;
  std::size_t answered = 0;
  std::size_t searchFrom = 0;
  while (ReadFromTerminal(terminal, result.Stdout)) {
    // Only the prompts are answered, not other lines that happen to hold ": ".
    const std::size_t asked = result.Stdout.find("Pass phrase", searchFrom);
    const std::size_t prompt =
        asked == std::string::npos ? std::string::npos : result.Stdout.find(": ", asked);
    if (prompt != std::string::npos && answered < answers.size()) {
      searchFrom = prompt + 2;
      const std::string line = answers[answered++] + "\n";
      if (write(terminal, line.data(), line.size()) < 0)
        break;
    }
  }
  close(terminal);
  Collect(WaitFor(pid), result);
  return result;
}

PromptInterruption InterruptAtThePrompt(const std::string& program, const ToolCall& call,
                                        int signal) {
  int terminal = -1;
  const pid_t pid = StartOnTerminal(program, call, terminal);

  const auto echoing = [terminal] { return Echoing(terminal); };
  PromptInterruption result;
  bool sent = false;
  while (ReadFromTerminal(terminal, result.Run.Stdout)) {
    if (sent || result.Run.Stdout.find("Pass phrase") == std::string::npos)
      continue;
    // The echo goes off around the prompt; give the program a moment to get there.
    for (int wait = 0; wait < 500 && echoing(); ++wait)
      usleep(10000);
    result.EchoOffAtPrompt = !echoing();
    kill(pid, signal);
    sent = true;
  }
  // The terminal outlives the program while this side is open: its settings are what the
  // program left behind.
  result.EchoOnAfterwards = echoing();
  close(terminal);
  Collect(WaitFor(pid), result.Run);
  return result;
}

PromptKeys TypeAtThePrompt(const std::string& program, const ToolCall& call,
                           const std::string& keys) {
  int terminal = -1;
  const pid_t pid = StartOnTerminal(program, call, terminal);

  PromptKeys result;
  PromptInterruption& interruption = result.Interruption;
  std::string& shown = interruption.Run.Stdout;
  while (shown.find("Pass phrase: ") == std::string::npos && ReadFromTerminal(terminal, shown)) {
  }
  for (int wait = 0; wait < 500 && Echoing(terminal); ++wait)
    usleep(10000);
  interruption.EchoOffAtPrompt = !Echoing(terminal);
  if (write(terminal, keys.data(), keys.size()) < 0)
    throw std::runtime_error("write");
  // The program ends and closes the terminal, or waits for more: a bound on a hang, not a
  // measure of speed.
  for (;;) {
    pollfd ready{terminal, POLLIN, 0};
    int polled = 0;
    do {
      polled = poll(&ready, 1, 30000);
    } while (polled < 0 && errno == EINTR);
    if (polled <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    if (!ReadFromTerminal(terminal, shown)) {
      result.EndedByTheKeys = true;
      break;
    }
  }
  interruption.EchoOnAfterwards = Echoing(terminal);
  close(terminal);
  Collect(WaitFor(pid), interruption.Run);
  return result;
}

BackgroundTool::BackgroundTool(const std::string& program, const ToolCall& call) {
  pid_ = fork();
  if (pid_ < 0)
    throw std::runtime_error("fork");
  if (pid_ == 0) {
    setsid();
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    ExecTool(program, call);
  }
}

BackgroundTool::~BackgroundTool() {
  if (!waited_) {
    kill(pid_, SIGKILL);
    WaitFor(pid_);
  }
}

void BackgroundTool::Signal(int signal) const {
  kill(pid_, signal);
}

bool BackgroundTool::HasEnded() {
  if (waited_)
    return true;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    waited_ = true;
    Collect(status, result_);
    return true;
  }
  return false;
}

ToolRun BackgroundTool::Wait() {
  if (!waited_) {
    Collect(WaitFor(pid_), result_);
    waited_ = true;
  }
  return result_;
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const std::string& stdinText) {
  ToolCall call;
  call.Arguments = arguments;
  call.Stdin = stdinText;
  call.WorkingDirectory = workingDirectory;
  return RunTool(program, call);
}

}  // namespace ostrel::testing_support
