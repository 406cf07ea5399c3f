#include "platform/interrupt_cleanup.h"

#include <fcntl.h>
#include <termios.h>
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
  int directory = -1;
  char name[NAME_MAX + 1];
};

static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the states lock-free");

Slot slots[kInterruptCleanupSlots];

// The signals whose default action ends the process and that a handler may catch. SIGKILL and
// SIGSTOP cannot be caught; SIGXFSZ is ignored instead (see the header).
constexpr int kEndingSignals[] = {SIGHUP,    SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                                  SIGFPE,    SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                                  SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};

// What each signal did before: restored before the signal is raised again, so that a handler that
// was there first (a sanitizer's report of a fault) still runs.
struct sigaction previousActions[NSIG];

// The terminal to put back, when a prompt has changed it; the handle is -1 otherwise.
std::atomic<int> terminalHandle{-1};
termios terminalSettings{};

// A fault of the running instruction, which comes again when the instruction is retried.
bool IsInstructionFault(int signal, const siginfo_t* info) {
  const bool faultSignal = signal == SIGILL || signal == SIGTRAP || signal == SIGBUS ||
                           signal == SIGFPE || signal == SIGSEGV || signal == SIGSYS;
  // Sent by a process (kill, raise), the code is not positive.
  return faultSignal && info != nullptr && info->si_code > 0;
}

extern "C" void RemoveTemporaryFilesAndDie(int signal, siginfo_t* info, void* /*context*/) {
  const int savedError = errno;
  const int terminal = terminalHandle.load(std::memory_order_acquire);
  if (terminal >= 0)
    ::tcsetattr(terminal, TCSANOW, &terminalSettings);
  for (Slot& slot : slots) {
    if (slot.state.load(std::memory_order_acquire) == kActive)
      ::unlinkat(slot.directory, slot.name, 0);
  }
  // The earlier action, raised again: the process ends as the signal demands, and the signal,
  // blocked while this handler runs, arrives as soon as it returns. A fault needs no raising: the
  // retried instruction brings it to the earlier action with its own details.
  ::sigaction(signal, &previousActions[signal], nullptr);
  if (!IsInstructionFault(signal, info))
    (void)::raise(signal);
  // Reached when the signal is one whose earlier action lets the process go on.
  errno = savedError;  // cppcheck-suppress unreachableCode
}

// Calls visit with every signal above, allocating nothing.
template <typename Visit>
void ForEachEndingSignal(const Visit& visit) {
  for (const int signal : kEndingSignals)
    visit(signal);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
    visit(signal);
}

struct sigaction CleanupAction() {
  struct sigaction action {};
  action.sa_sigaction = RemoveTemporaryFilesAndDie;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  // While one signal cleans up, the others wait: no second handler runs over the same registry.
  ForEachEndingSignal([&](int signal) { sigaddset(&action.sa_mask, signal); });
  return action;
}

// The signals caught only while a prompt holds the terminal, because nothing else catches them
// (a run that writes no file installs no cleanup): each would otherwise end the process with the
// terminal's echo still off. Changed by the prompting thread alone.
bool caughtForPrompt[NSIG];

void CatchUncaughtSignalsForPrompt() {
  const struct sigaction action = CleanupAction();
  ForEachEndingSignal([&](int signal) {
    struct sigaction current {};
    ::sigaction(signal, nullptr, &current);
    if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL)
      return;
    previousActions[signal] = current;
    caughtForPrompt[signal] = true;
    ::sigaction(signal, &action, nullptr);
  });
}

void ReleaseSignalsCaughtForPrompt() {
  for (int signal = 1; signal < NSIG; ++signal) {
    if (!caughtForPrompt[signal])
      continue;
    ::sigaction(signal, &previousActions[signal], nullptr);
    caughtForPrompt[signal] = false;
  }
}

}  // namespace

void InstallInterruptCleanup() {
  const struct sigaction action = CleanupAction();
  ForEachEndingSignal([&](int signal) {
    struct sigaction& previous = previousActions[signal];
    ::sigaction(signal, nullptr, &previous);
    // A signal that the parent asked to ignore (nohup, a background job) stays ignored.
    if (previous.sa_handler == SIG_IGN)
      return;
    ::sigaction(signal, &action, nullptr);
  });
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
}

int RegisterTemporaryFile(int directory, std::string_view name) noexcept {
  if (name.size() > NAME_MAX || name.find('\0') != std::string_view::npos)
    return -1;
  for (std::size_t index = 0; index < kInterruptCleanupSlots; ++index) {
    Slot& slot = slots[index];
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling, std::memory_order_acq_rel))
      continue;
    slot.directory = directory;
    std::memcpy(slot.name, name.data(), name.size());
    slot.name[name.size()] = '\0';
    slot.state.store(kActive, std::memory_order_release);
    return static_cast<int>(index);
  }
  return -1;
}

void RestoreTerminalOnSignal(int handle, const termios* settings) noexcept {
  terminalHandle.store(-1, std::memory_order_release);
  if (settings == nullptr) {
    ReleaseSignalsCaughtForPrompt();
    return;
  }
  terminalSettings = *settings;
  terminalHandle.store(handle, std::memory_order_release);
  CatchUncaughtSignalsForPrompt();
}

void ReleaseTemporaryFile(int slot) noexcept {
  if (slot >= 0 && static_cast<std::size_t>(slot) < kInterruptCleanupSlots)
    slots[slot].state.store(kFree, std::memory_order_release);
}

}  // namespace ostrel
