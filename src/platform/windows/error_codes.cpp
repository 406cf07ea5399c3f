#include "platform/error_codes.h"

#include <windows.h>

namespace ostrel {

const int kErrorNameTaken = ERROR_FILE_EXISTS;
const int kErrorNameTooLong = ERROR_FILENAME_EXCED_RANGE;
const int kErrorWriteFailed = ERROR_WRITE_FAULT;
const int kErrorDiskFull = ERROR_DISK_FULL;

}  // namespace ostrel
