#include "platform/console_stop.h"

namespace ostrel {

// SIGINT and SIGTERM reach the server through its own signal handling.
ConsoleStop::ConsoleStop(std::function<void()> /*stop*/) {}

ConsoleStop::~ConsoleStop() = default;

}  // namespace ostrel
