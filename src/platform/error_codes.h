// The error codes that the tool looks for or reports on its own account, by what they mean. The
// values are the system's own, so that SystemErrorText describes them in the system's words.
#pragma once

namespace ostrel {

extern const int kErrorNameTaken;    // a file of that name exists
extern const int kErrorNameTooLong;  // a name the system cannot hold
extern const int kErrorWriteFailed;  // a write failed without the system saying why
extern const int kErrorDiskFull;     // a write stopped short: no room left

}  // namespace ostrel
