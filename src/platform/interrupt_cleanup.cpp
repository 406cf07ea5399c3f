#include "platform/interrupt_cleanup.h"

#include <unistd.h>
#include <climits>
#include <csignal>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace ostrel {
namespace {

enum SlotState : int { kFree = 0, kFilling = 1, kActive = 2 };

struct Slot {
  std::atomic<int> state{kFree};
  char name[PATH_MAX];
};

static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the states lock-free");

Slot slots[kInterruptCleanupSlots];

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

extern "C" void RemoveTemporaryFilesAndDie(int signal) {
  const int savedError = errno;
  for (Slot& slot : slots) {
    if (slot.state.load(std::memory_order_acquire) == kActive)
      ::unlink(slot.name);
  }
  // The default action, raised again: the process ends as the signal demands, and the signal,
  // blocked while this handler runs, arrives as soon as it returns.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  ::sigaction(signal, &fallback, nullptr);
  (void)::raise(signal);
  // Reached when the signal is one whose default action lets the process go on.
  errno = savedError;  // cppcheck-suppress unreachableCode
}

}  // namespace

void InstallInterruptCleanup() {
  struct sigaction action {};
  action.sa_handler = RemoveTemporaryFilesAndDie;
  sigemptyset(&action.sa_mask);
  // While one signal cleans up, the others wait: no second handler runs over the same registry.
  for (const int signal : kCleanupSignals)
    sigaddset(&action.sa_mask, signal);
  for (const int signal : kCleanupSignals) {
    struct sigaction previous {};
    ::sigaction(signal, nullptr, &previous);
    // A signal that the parent asked to ignore (nohup, a background job) stays ignored.
    if (previous.sa_handler == SIG_IGN)
      continue;
    ::sigaction(signal, &action, nullptr);
  }
}

int RegisterTemporaryFile(std::string_view name) noexcept {
  if (name.size() >= PATH_MAX || name.find('\0') != std::string_view::npos)
    return -1;
  for (std::size_t index = 0; index < kInterruptCleanupSlots; ++index) {
    Slot& slot = slots[index];
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling, std::memory_order_acq_rel))
      continue;
    std::memcpy(slot.name, name.data(), name.size());
    slot.name[name.size()] = '\0';
    slot.state.store(kActive, std::memory_order_release);
    return static_cast<int>(index);
  }
  return -1;
}

void ReleaseTemporaryFile(int slot) noexcept {
  if (slot >= 0 && static_cast<std::size_t>(slot) < kInterruptCleanupSlots)
    slots[slot].state.store(kFree, std::memory_order_release);
}

}  // namespace ostrel
