#include "errors/exceptions.h"

namespace ostrel {

// Kept out of line so that the return address is the raising code, not the inlined caller's
// caller. Derived constructors inherit this one, so it is one frame deeper for them: the address
// then points into the derived constructor's caller all the same when that constructor is inlined.
__attribute__((noinline)) Exception::Exception(std::string message)
    : message_(std::move(message)), raisedAt_(__builtin_return_address(0)) {}

}  // namespace ostrel
