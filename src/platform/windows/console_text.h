// Standard output and error that are a console, as the tool's Windows layer sees them once
// ShowStandardTextOnConsole has run: their text reaches the console through a relay, and they
// still count as the console they were.
#pragma once

#include <windows.h>

#include <string_view>

namespace ostrel::windows {

// The console behind a descriptor whose text is relayed to it, or nullptr.
HANDLE RelayedConsole(int descriptor) noexcept;

// Shows text on the console after everything written to the relayed streams before it; false
// when no stream is relayed (the caller writes to the console itself).
bool ShowAfterRelayedText(std::string_view text) noexcept;

}  // namespace ostrel::windows
