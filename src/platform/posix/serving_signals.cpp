#include "platform/serving_signals.h"

#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <climits>
#include <csignal>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace ostrel {
namespace {

// The signals that end a process and can be caught, less those the file-system library handles
// itself (SIGHUP, SIGINT, SIGTERM, SIGPIPE); the real-time signals are added at run time.
constexpr int kSignals[] = {SIGQUIT, SIGILL,  SIGTRAP, SIGABRT,   SIGBUS,  SIGFPE,
                            SIGUSR1, SIGSEGV, SIGUSR2, SIGALRM,   SIGXCPU, SIGVTALRM,
                            SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT, SIGSYS};

// The unmounting helper an ordinary user needs: a set-user-id program of the file-system package.
constexpr const char* kUnmountHelpers[] = {"/usr/bin/fusermount3", "/bin/fusermount3"};

// All of it fixed before any handler runs, since a handler may not allocate.
void (*stopServing)(void*) = nullptr;
void* stopContext = nullptr;
char mountPointText[PATH_MAX];
const char* unmountHelper = nullptr;
std::vector<int> installed;
struct sigaction previousActions[NSIG];

bool IsInstructionFault(int signal, const siginfo_t* info) {
  const bool faultSignal = signal == SIGILL || signal == SIGTRAP || signal == SIGBUS ||
                           signal == SIGFPE || signal == SIGSEGV;
  // Sent by a process (kill, raise), the code is not positive.
  return faultSignal && info != nullptr && info->si_code > 0;
}

// Detaches the mount point, as root directly, otherwise through the helper; async-signal-safe.
void DetachMountPoint() {
  if (::umount2(mountPointText, MNT_DETACH) == 0 || unmountHelper == nullptr)
    return;
  const pid_t child = ::fork();
  if (child == 0) {
    const char* const arguments[] = {unmountHelper, "-u", "-z", "--", mountPointText, nullptr};
    ::execve(unmountHelper, const_cast<char* const*>(arguments), environ);
    ::_exit(127);
  }
  if (child > 0) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

extern "C" void StopServingOnSignal(int signal, siginfo_t* info, void* /*context*/) {
  const int savedError = errno;
  if (signal != SIGABRT && !IsInstructionFault(signal, info)) {
    stopServing(stopContext);
    errno = savedError;
    return;
  }
  DetachMountPoint();
  // The earlier action, raised again, ends the process as the signal demands. A fault needs no
  // raising: the retried instruction brings it to the earlier action with its own details.
  ::sigaction(signal, &previousActions[signal], nullptr);
  if (!IsInstructionFault(signal, info))
    (void)::raise(signal);
  errno = savedError;
}

}  // namespace

void UnmountOnEndingSignals(void (*stop)(void*), void* context, std::string_view mountPoint) {
  stopServing = stop;
  stopContext = context;
  const std::size_t length = std::min(mountPoint.size(), sizeof mountPointText - 1);
  std::memcpy(mountPointText, mountPoint.data(), length);
  mountPointText[length] = '\0';
  for (const char* helper : kUnmountHelpers) {
    if (::access(helper, X_OK) == 0) {
      unmountHelper = helper;
      break;
    }
  }
  std::vector<int> signals(std::begin(kSignals), std::end(kSignals));
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
    signals.push_back(signal);
  struct sigaction action {};
  action.sa_sigaction = StopServingOnSignal;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  installed.clear();
  installed.reserve(signals.size());
  for (const int signal : signals) {
    struct sigaction& previous = previousActions[signal];
    ::sigaction(signal, nullptr, &previous);
    if (previous.sa_handler == SIG_IGN)
      continue;
    ::sigaction(signal, &action, nullptr);
    installed.push_back(signal);
  }
}

void RemoveUnmountOnEndingSignals() {
  for (const int signal : installed)
    ::sigaction(signal, &previousActions[signal], nullptr);
  installed.clear();
}

}  // namespace ostrel
