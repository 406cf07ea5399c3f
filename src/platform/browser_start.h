// The system's web browser started on an address, for a server whose user wants to see it at once.
// The browser is left to itself: the caller goes on serving while it opens, and it stays open
// when the caller ends.
#pragma once

#include <functional>
#include <string>

namespace ostrel {

// What the caller hears of a browser that could not open the address, after StartBrowser has
// returned: the reason, from another thread.
using BrowserFailure = std::function<void(const std::string& reason)>;

// Starts the browser on address (UTF-8). Raises std::runtime_error with the reason when the
// system's opener cannot be started at all; failed hears of what goes wrong later.
void StartBrowser(const std::string& address, BrowserFailure failed);

}  // namespace ostrel
