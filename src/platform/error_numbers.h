// The mounted tree answers in the C library's error numbers (ENOENT, EACCES, EIO, ...): a file
// system in user space passes them on as they are, and the server turns them into its statuses.
// POSIX systems report their failures in those numbers already; Windows has codes of its own.
#pragma once

namespace ostrel {

// The error number that stands for the system's error code; EIO for a failure that no number
// describes better.
int ErrorNumberOf(int systemError) noexcept;

}  // namespace ostrel
