// POSIX layer of the browser start: xdg-open, the desktop's own choice of browser, started without
// a shell (the address is one argument, whatever it holds) and watched from a thread of its own.
#include "platform/browser_start.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "platform/error_text.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): spawn needs it by name

namespace ostrel {
namespace {

constexpr const char* kOpener = "xdg-open";

// What xdg-open's exit status says, by the codes it documents.
std::string OpenerFailure(int status) {
  if (WIFSIGNALED(status))
    return std::string(kOpener) + " was ended by signal " + std::to_string(WTERMSIG(status));
  switch (WEXITSTATUS(status)) {
    case 1:
      return std::string(kOpener) + " refused the address";
    case 3:
      return std::string(kOpener) + " found no browser to open it with";
    case 4:
      return "the browser failed to open the address";
    default:
      return std::string(kOpener) + " ended with status " + std::to_string(WEXITSTATUS(status));
  }
}

// A step of preparing the start; raises with the system's reason when it fails.
void Prepared(int error) {
  if (error != 0)
    throw std::runtime_error("cannot prepare the start of " + std::string(kOpener) + ": " +
                             SystemErrorText(error));
}

// The spawn's settings, released on every path.
struct SpawnSettings {
  posix_spawn_file_actions_t Actions{};
  posix_spawnattr_t Attributes{};
  SpawnSettings() {
    Prepared(posix_spawn_file_actions_init(&Actions));
    if (const int error = posix_spawnattr_init(&Attributes); error != 0) {
      posix_spawn_file_actions_destroy(&Actions);
      Prepared(error);
    }
  }
  ~SpawnSettings() {
    posix_spawnattr_destroy(&Attributes);
    posix_spawn_file_actions_destroy(&Actions);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;
};

// Waits for the opener on a thread of its own and tells failed what went wrong.
void WatchOpener(pid_t child, BrowserFailure failed) {
  std::thread([child, failed = std::move(failed)] {
    int status = 0;
    pid_t ended = 0;
    do {
      ended = waitpid(child, &status, 0);
    } while (ended < 0 && errno == EINTR);
    if (ended < 0)
      failed("cannot learn how " + std::string(kOpener) + " ended: " + SystemErrorText(errno));
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
      failed(OpenerFailure(status));
  }).detach();
}

}  // namespace

void StartBrowser(const std::string& address, BrowserFailure failed) {
  SpawnSettings settings;
  // The opener and the browser read nothing of this program's input and write nothing into its
  // output: what they say would mix with the server's own lines.
  Prepared(posix_spawn_file_actions_addopen(&settings.Actions, 0, "/dev/null", O_RDONLY, 0));
  Prepared(posix_spawn_file_actions_addopen(&settings.Actions, 1, "/dev/null", O_WRONLY, 0));
  Prepared(posix_spawn_file_actions_adddup2(&settings.Actions, 1, 2));
  // A process group of its own: Ctrl-C in the terminal stops the server, not the browser it
  // opened. The signals this program handles or blocks are the browser's own again.
  sigset_t none;
  sigemptyset(&none);
  sigset_t handled;
  sigemptyset(&handled);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
    sigaddset(&handled, signal);
  Prepared(posix_spawnattr_setflags(&settings.Attributes, POSIX_SPAWN_SETPGROUP |
                                                              POSIX_SPAWN_SETSIGMASK |
                                                              POSIX_SPAWN_SETSIGDEF));
  Prepared(posix_spawnattr_setpgroup(&settings.Attributes, 0));
  Prepared(posix_spawnattr_setsigmask(&settings.Attributes, &none));
  Prepared(posix_spawnattr_setsigdefault(&settings.Attributes, &handled));
  std::string opener = kOpener;
  std::string argument = address;
  char* const arguments[] = {opener.data(), argument.data(), nullptr};
  pid_t child = 0;
  if (const int error = posix_spawnp(&child, kOpener, &settings.Actions, &settings.Attributes,
                                     arguments, environ);
      error != 0)
    throw std::runtime_error("cannot start " + opener + ": " + SystemErrorText(error));
  // The opener may wait for the browser it starts; nobody waits for it but its watcher.
  try {
    WatchOpener(child, std::move(failed));
  } catch (const std::system_error& noThread) {
    throw std::runtime_error(opener + " was started, but nothing can watch whether it opens the " +
                             "browser: " + noThread.what());
  }
}

}  // namespace ostrel
