// The two requests that the command line and the dialog run.
#pragma once

#include <string_view>

#include "shell/request_stop.h"
#include "shell/user_messages.h"

namespace ostrel {

// Decrypts path beside itself; a name without encryption gets the note "No encryption detected.",
// methods 3 to 7 do nothing. Errors pass on unchanged. With a stop switch (the dialog's Cancel),
// a request stopped by it ends with a note that says what became of the output.
void DecryptRequest(std::string_view path, std::string_view passphrase, UserMessages& messages,
                    const StopSwitch* stop = nullptr);

// Encrypts path into path followed by ".2crypt". Errors pass on unchanged.
void EncryptRequest(std::string_view path, std::string_view passphrase);
// The same, stoppable as DecryptRequest is.
void EncryptRequest(std::string_view path, std::string_view passphrase, UserMessages& messages,
                    const StopSwitch& stop);

}  // namespace ostrel
