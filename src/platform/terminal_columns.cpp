#include <cstdlib>

#include "platform/terminal_input.h"

namespace ostrel {

std::size_t TerminalColumns(int handle) noexcept {
  if (const std::size_t reported = ReportedTerminalColumns(handle); reported > 0)
    return reported;
  // A terminal that says nothing (a serial line, a pipe to a pager) may still have a width the
  // user exported.
  const char* const columns = std::getenv("COLUMNS");
  if (columns != nullptr) {
    const long value = std::strtol(columns, nullptr, 10);
    if (value > 0 && value < 10000)
      return static_cast<std::size_t>(value);
  }
  return 80;
}

}  // namespace ostrel
