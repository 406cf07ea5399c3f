// The modal window that a long request shows while it runs: what it does, a bar with the bytes
// written so far against the total, and a Cancel button that stops the request. Nothing else ends
// it: it closes itself when the request has ended, stopped or not.
#pragma once

#include <string>

#include <windows.h>

#include "shell/background_request.h"
#include "shell/request_progress.h"
#include "shell/request_stop.h"
#include "shell/user_messages.h"

namespace ostrel::win32 {

// caption: what the request does ("Encrypting"); subject: the file. Returns when the request has
// finished; owner takes no input meanwhile.
void ShowProgressWindow(HWND owner, HFONT font, const std::wstring& caption,
                        const std::wstring& subject, const RequestProgress& progress,
                        BackgroundRequest& request, StopSwitch& stop, UserMessages& messages);

}  // namespace ostrel::win32
