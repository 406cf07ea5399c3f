// Files that must not outlive an interruption. Outputs are written under temporary names; when
// SIGINT, SIGTERM, SIGHUP, SIGQUIT or SIGPIPE ends the process, every temporary file still
// registered is removed and the signal is raised again, so the exit status still tells the signal.
// The handler may only make async-signal-safe calls, so the names live in a fixed registry that
// is allocated before any signal can come.
#pragma once

#include <cstddef>
#include <string_view>

namespace ostrel {

// How many temporary files may be registered at once.
inline constexpr std::size_t kInterruptCleanupSlots = 256;

// Installs the handler for the signals above. Call once, before any file is registered.
void InstallInterruptCleanup();

// Registers a name before the file is created, so that no moment exists in which the file is on
// disk but unknown to the handler. Returns the slot, or -1 when the name is too long or every
// slot is taken.
int RegisterTemporaryFile(std::string_view name) noexcept;

// The file was renamed into place or removed: the handler must leave the name alone.
void ReleaseTemporaryFile(int slot) noexcept;

}  // namespace ostrel
