// Files that must not outlive an interruption. Outputs are written under temporary names; when a
// signal ends the process (any signal that can be caught and whose default action ends it:
// SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGALRM, SIGXCPU, the real-time signals and
// the rest), every temporary file still registered is removed and the signal is raised again, so
// the exit status still tells the signal. SIGXFSZ is ignored instead: a file grown past the size
// limit is an ordinary write error (EFBIG), reported and cleaned up like any other.
// The handler may only make async-signal-safe calls, so the names live in a fixed registry that
// is allocated before any signal can come; each is removed relative to its directory's handle, so
// a directory moved during the run is still cleaned.
// On Windows the console's events take the signals' place: Ctrl-C, Ctrl-Break, closing the
// console, logging off and shutting down remove the registered files before the process ends.
#pragma once

#include <cstddef>
#include <string_view>

// A terminal's settings; only systems with such terminals define it.
struct termios;

namespace ostrel {

// How many temporary files may be registered at once.
inline constexpr std::size_t kInterruptCleanupSlots = 256;

// Installs the handler for the signals above. Call once, before any file is registered.
void InstallInterruptCleanup();

// Registers a name in an open directory before the file is created, so that no moment exists in
// which the file is on disk but unknown to the handler. The directory must stay open until the
// slot is released. Returns the slot, or -1 when the name is too long or every slot is taken.
int RegisterTemporaryFile(int directory, std::string_view name) noexcept;

// The file was renamed into place or removed: the handler must leave the name alone.
void ReleaseTemporaryFile(int slot) noexcept;

// While a prompt has the terminal's echo off, the handler puts these settings back before the
// process ends, so that a signal at the prompt never leaves the user typing blind; for as long, the
// signals above that nothing catches are caught too (a run without the cleanup, such as a mount,
// prompts as well). nullptr: the terminal is as the user left it, and those signals are as before.
void RestoreTerminalOnSignal(int handle, const termios* settings) noexcept;

}  // namespace ostrel
