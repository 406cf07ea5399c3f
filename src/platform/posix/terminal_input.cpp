#include "platform/terminal_input.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/interrupt_cleanup.h"

namespace ostrel {
namespace {

// Echo comes back however the read ends.
class EchoOff {
 public:
  explicit EchoOff(int handle) : handle_(handle) {
    active_ = ::tcgetattr(handle_, &saved_) == 0;
    if (!active_)
      return;
    termios quiet = saved_;
    // The terminal's own signal keys (Ctrl-C, Ctrl-\) keep working: a line being typed reaches
    // this program only with Enter, so a key read as a character could not end the prompt at once.
    // The signal's handler puts these settings back before the process ends.
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    quiet.c_lflag |= ICANON | ISIG;
    RestoreTerminalOnSignal(handle_, &saved_);
    ::tcsetattr(handle_, TCSAFLUSH, &quiet);
  }
  ~EchoOff() {
    if (!active_)
      return;
    ::tcsetattr(handle_, TCSANOW, &saved_);
    RestoreTerminalOnSignal(-1, nullptr);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  int handle_;
  termios saved_{};
  bool active_ = false;
};

void WriteAll(int handle, const char* text) {
  size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t moved = ::write(handle, text, left);
    if (moved < 0 && errno == EINTR)
      continue;
    if (moved <= 0)
      return;
    text += moved;
    left -= static_cast<size_t>(moved);
  }
}

}  // namespace

std::size_t ReportedTerminalColumns(int handle) noexcept {
  winsize size{};
  return ::ioctl(handle, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

bool IsTerminal(int handle) noexcept {
  return ::isatty(handle) == 1;
}

bool ReadHiddenLineFromTerminal(const char* prompt, std::string& line, bool& approximated) {
  approximated = false;
  const int terminal = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (terminal < 0)
    return false;
  bool complete = false;
  {
    // Echo goes off before the prompt shows, so nothing typed in answer is ever echoed.
    const EchoOff quiet(terminal);
    WriteAll(terminal, prompt);
    // A byte at a time, so nothing typed after the line is taken from the terminal.
    for (;;) {
      char byte = 0;
      const ssize_t moved = ::read(terminal, &byte, 1);
      if (moved < 0 && errno == EINTR)
        continue;
      if (moved <= 0)
        break;
      if (byte == '\n') {
        complete = true;
        break;
      }
      line.push_back(byte);
    }
  }
  // Echo was off, so the user's Enter did not move the cursor.
  WriteAll(terminal, "\n");
  ::close(terminal);
  if (complete && !line.empty() && line.back() == '\r')
    line.pop_back();
  return complete;
}

}  // namespace ostrel
