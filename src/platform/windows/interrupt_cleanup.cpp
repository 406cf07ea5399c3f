#include "platform/interrupt_cleanup.h"

#include <windows.h>

#include <array>
#include <mutex>
#include <string>

#include "platform/windows/console_restore.h"
#include "platform/windows/directory_handles.h"

namespace ostrel {
namespace {

// The console's events arrive on a thread of their own, so the registry is an ordinary one under
// a lock: the handler may take it like any other thread.
struct Registry {
  std::mutex mutex;
  std::array<std::wstring, kInterruptCleanupSlots> paths;
  std::array<bool, kInterruptCleanupSlots> used{};
  bool ending = false;     // once the handler has run, no new name is taken
  bool installed = false;  // by InstallInterruptCleanup, for the whole run
  HANDLE console = nullptr;
  DWORD consoleMode = 0;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

BOOL WINAPI RemoveTemporaryFilesAndEnd(DWORD event) {
  Registry& registry = TheRegistry();
  {
    const std::lock_guard lock(registry.mutex);
    registry.ending = true;
    if (registry.console != nullptr)
      ::SetConsoleMode(registry.console, registry.consoleMode);
    for (std::size_t index = 0; index < kInterruptCleanupSlots; ++index) {
      if (registry.used[index])
        ::DeleteFileW(registry.paths[index].c_str());
    }
  }
  // Ended here rather than by the next handler, so that no thread of the run can make another
  // file meanwhile; the exit code is the one the system gives a process ended by Ctrl-C.
  (void)event;
  ::ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace

void InstallInterruptCleanup() {
  Registry& registry = TheRegistry();
  {
    const std::lock_guard lock(registry.mutex);
    registry.installed = true;
  }
  ::SetConsoleCtrlHandler(RemoveTemporaryFilesAndEnd, TRUE);
}

int RegisterTemporaryFile(int directory, std::string_view name) noexcept {
  try {
    std::wstring path;
    if (windows::PathBelow(directory, name, path) != 0)
      return -1;
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    if (registry.ending)
      return -1;
    for (std::size_t index = 0; index < kInterruptCleanupSlots; ++index) {
      if (registry.used[index])
        continue;
      registry.paths[index] = std::move(path);
      registry.used[index] = true;
      return static_cast<int>(index);
    }
  } catch (...) {
    // Out of memory: the caller reports that no temporary file could be made.
  }
  return -1;
}

void ReleaseTemporaryFile(int slot) noexcept {
  if (slot < 0 || static_cast<std::size_t>(slot) >= kInterruptCleanupSlots)
    return;
  Registry& registry = TheRegistry();
  const std::lock_guard lock(registry.mutex);
  registry.used[static_cast<std::size_t>(slot)] = false;
  registry.paths[static_cast<std::size_t>(slot)].clear();
}

void RestoreTerminalOnSignal(int /*handle*/, const termios* /*settings*/) noexcept {
  // The console has no such settings; its mode is kept by RestoreConsoleOnInterrupt.
}

namespace windows {

void RestoreConsoleOnInterrupt(HANDLE console, DWORD mode) noexcept {
  Registry& registry = TheRegistry();
  bool installed = false;
  {
    const std::lock_guard lock(registry.mutex);
    registry.console = console;
    registry.consoleMode = mode;
    installed = registry.installed;
  }
  // A run without the cleanup (a server, which stops on the console's events by itself) prompts
  // as well: while its prompt has the echo off, the handler is there for it too. Outside the
  // lock, which the handler takes while the system may hold its list of handlers.
  if (!installed)
    ::SetConsoleCtrlHandler(RemoveTemporaryFilesAndEnd, console != nullptr ? TRUE : FALSE);
}

}  // namespace windows
}  // namespace ostrel
