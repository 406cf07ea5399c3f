// A millisecond counter that only moves forward, for seeds that need a changing value.
#pragma once

#include <cstdint>

namespace ostrel {

// Milliseconds since an unspecified start, from a monotonic clock; wraps around at 2^32.
uint32_t MillisecondTimer() noexcept;

}  // namespace ostrel
