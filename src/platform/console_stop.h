// Windows tells a console program that its user ends it through console events, not signals:
// Ctrl-C, Ctrl-Break, the console window closing, the user logging off, the system shutting down.
// A server that must end cleanly on them (its keys wiped, its connections shut, exit status 0)
// asks here to be told. POSIX systems send signals for these, which the server takes through its
// own signal handling: there this holds nothing.
#pragma once

#include <functional>

namespace ostrel {

class ConsoleStop {
 public:
  // From now on, such an event calls stop, on a thread of the system's, under a lock that the
  // destructor takes too: stop must only ask the server to stop, and return.
  explicit ConsoleStop(std::function<void()> stop);
  // After this, the events take their usual course again.
  ~ConsoleStop();
  ConsoleStop(const ConsoleStop&) = delete;
  ConsoleStop& operator=(const ConsoleStop&) = delete;
};

}  // namespace ostrel
