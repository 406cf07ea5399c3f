#include "platform/millisecond_timer.h"

#include <ctime>

namespace ostrel {

uint32_t MillisecondTimer() noexcept {
  timespec now{};
  // CLOCK_MONOTONIC cannot fail on the systems we run on; should it, the zero start still makes
  // a valid, merely less varied, seed.
  clock_gettime(CLOCK_MONOTONIC, &now);
  const auto milliseconds =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(milliseconds);
}

}  // namespace ostrel
