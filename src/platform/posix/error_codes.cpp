#include "platform/error_codes.h"

#include <cerrno>

namespace ostrel {

const int kErrorNameTaken = EEXIST;
const int kErrorNameTooLong = ENAMETOOLONG;
const int kErrorWriteFailed = EIO;
const int kErrorDiskFull = ENOSPC;

}  // namespace ostrel
