// How the dialog runs a request: see shell/watched_request.h; here the progress window is the
// toolkit's.
#pragma once

#include <wx/string.h>
#include <wx/window.h>

#include "shell/request_progress.h"
#include "shell/user_messages.h"
#include "shell/watched_request.h"

namespace ostrel {

// Runs task to its end. caption and subject name the work in the progress window ("Encrypting",
// the file); progress measures it. The request's notes and errors are shown through messages on
// this thread, and an error that ends the request is raised here, unchanged.
void RunRequest(wxWindow* owner, const wxString& caption, const wxString& subject,
                const RequestProgress& progress, StoppableTask task, UserMessages& messages);

}  // namespace ostrel
