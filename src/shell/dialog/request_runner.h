// How the dialog runs a request: as one step that ends when the request ends, so the dialog
// takes no other input meanwhile. The request works on a worker thread; a request still running
// after half a second gets a modal progress window, so that a large file never leaves a frozen
// window with no sign of life.
#pragma once

#include <wx/string.h>
#include <wx/window.h>

#include "shell/background_request.h"
#include "shell/request_progress.h"
#include "shell/user_messages.h"

namespace ostrel {

// Runs task to its end. caption and subject name the work in the progress window ("Encrypting",
// the file); progress measures it. The request's notes and errors are shown through messages on
// this thread, and an error that ends the request is raised here, unchanged.
void RunRequest(wxWindow* owner, const wxString& caption, const wxString& subject,
                const RequestProgress& progress, BackgroundRequest::Task task,
                UserMessages& messages);

}  // namespace ostrel
