#include "platform/millisecond_timer.h"

#include <windows.h>

namespace ostrel {

uint32_t MillisecondTimer() noexcept {
  // The 64-bit tick count never wraps; the seed takes its low 32 bits.
  return static_cast<uint32_t>(::GetTickCount64());
}

}  // namespace ostrel
