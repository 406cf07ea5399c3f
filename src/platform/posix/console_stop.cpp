#include "platform/console_stop.h"

namespace ostrel {

// SIGINT and SIGTERM reach the server through its own signal handling.
void StopOnConsoleEvents(const std::function<void()>& /*stop*/) {}

void EndStopOnConsoleEvents() noexcept {}

}  // namespace ostrel
