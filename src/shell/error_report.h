// How an error that ends a request is worded for the user.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "errors/exceptions.h"

namespace ostrel {

// The command line's text: "Exception %s in module %s at %p." and "%s%s", each line ended by
// CR LF; the location is eight hexadecimal digits and a full stop is added to a message that is
// not empty and does not end in one.
std::string CommandLineErrorText(const Exception& error, std::string_view moduleName);

// The dialog's text: the message, with a full stop when it is not empty and its last character
// sorts after "." (so "!" or ")" get none).
std::string DialogErrorText(std::string_view message);

// The message of an error that ends a request in the dialog: an Exception's message, or the text
// of a standard exception ("Out of memory" for a failed allocation); nothing for anything else.
std::optional<std::string> RequestErrorMessage(const std::exception_ptr& error);

// The executable's file name up to its first ".", every letter after the first lower-cased.
std::string ApplicationTitle(std::string_view executableFileName);

}  // namespace ostrel
