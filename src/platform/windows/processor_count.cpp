#include "platform/processor_count.h"

#include <windows.h>

#include <bit>

namespace ostrel {

unsigned ProcessorCount() noexcept {
  // The process's affinity, not the machine's count: a job or a start with /affinity may allow
  // fewer.
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) && process != 0)
    return static_cast<unsigned>(std::popcount(static_cast<unsigned long long>(process)));
  const DWORD active = ::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  return active > 0 ? static_cast<unsigned>(active) : 1U;
}

}  // namespace ostrel
