// Windows tells a console program that its user ends it through console events, not signals:
// Ctrl-C, Ctrl-Break, the console window closing, the user logging off, the system shutting down.
// A server that must end cleanly on them (its keys wiped, its connections shut, exit status 0)
// asks here to be told. POSIX systems send signals for these, which the server takes through its
// own signal handling: there these do nothing.
#pragma once

#include <functional>

namespace ostrel {

// From now on, such an event calls stop, on a thread of the system's, under a lock that
// EndStopOnConsoleEvents takes too: stop must only ask the server to stop, and return.
void StopOnConsoleEvents(const std::function<void()>& stop);

// The events take their usual course again; call before anything that stop reaches is gone.
void EndStopOnConsoleEvents() noexcept;

}  // namespace ostrel
