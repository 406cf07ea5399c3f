// How a window runs a request, whatever its toolkit: as one step that ends when the request ends,
// so that the window takes no other input meanwhile. The request works on a worker thread; one
// still running after half a second gets a modal progress window with a Cancel button, so that a
// large file never leaves a frozen window with no sign of life and can still be given up.
#pragma once

#include <functional>

#include "shell/background_request.h"
#include "shell/request_stop.h"
#include "shell/user_messages.h"

namespace ostrel {

// The request: its notes and errors go to messages; it ends early when stop is set.
using StoppableTask = std::function<void(UserMessages& messages, const StopSwitch& stop)>;

// Shows the modal progress window and returns once the window has closed itself, which it does
// when ServeRequest says the request has finished. Its Cancel button sets stop.
using ProgressWindowShow = std::function<void(BackgroundRequest& request, StopSwitch& stop)>;

// Runs task to its end. Its notes and errors are shown through messages on this thread, and an
// error that ends the request is raised here, unchanged.
void RunWatchedRequest(StoppableTask task, UserMessages& messages,
                       const ProgressWindowShow& showProgressWindow);

// One look at the request, from the progress window's timer: shows a message the request is
// waiting to have shown, and returns true once the request has finished.
bool ServeRequest(BackgroundRequest& request, UserMessages& messages);

}  // namespace ostrel
