// The system's own text for an error code, for messages about files.
#pragma once

#include <string>

namespace ostrel {

// The system's description of the error code; "Unspecified error (<code>) from system." when the
// system has no words for it.
std::string SystemErrorText(int error);

}  // namespace ostrel
