#include "errors/exceptions.h"

namespace ostrel {

// Out of line, so that the return address lies in the code that raised the error.
__attribute__((noinline)) Exception::Exception(std::string message)
    : message_(std::move(message)), raisedAt_(__builtin_return_address(0)) {}

}  // namespace ostrel
