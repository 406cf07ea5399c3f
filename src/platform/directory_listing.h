// Directories read below an open directory handle, as a mounted tree reads its source: every name
// is looked up from the handle, never from the current directory, so that a source moved or
// removed while mounted is never confused with whatever takes its place, and no symbolic link on
// the way is ever followed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_handle.h"
#include "platform/file_status.h"

namespace ostrel {

// Opens a directory by path for reading below it; follows a symbolic link, as a path given by the
// user names what it leads to.
OpenedFile OpenDirectoryHandle(std::string_view path);

// Relative paths below a directory handle are walked one name at a time and no symbolic link on
// the way is followed, the last name's included: a directory of the tree swapped for a link
// fails the look-up (ENOTDIR, ELOOP) instead of leading out of the tree.

// Opens relative below directory for reading, a regular file only and at once: a directory gives
// kIsADirectory and any other kind kNotARegularFile, so that a FIFO put in a file's place never
// holds the caller.
OpenedFile OpenFileBelow(int directory, std::string_view relative);

// Opens the directory relative below directory ("" for itself): for opening many of its files by
// their names alone.
OpenedFile OpenDirectoryBelow(int directory, std::string_view relative);

// The status of relative below directory ("" for the directory itself), a symbolic link at its
// end reported, not followed.
FileStatus StatusOfEntryBelow(int directory, std::string_view relative);

#ifndef _WIN32
// The checks of a mount point, for the mount, which only POSIX systems have.

// Whether the directory open as inner is the directory open as outer or lies below it, found by
// going up from inner through ".." (so that other spellings and bind mounts of outer count); the
// system's error code in error when a step up cannot be taken.
bool DirectoryLiesWithin(int inner, int outer, int& error);

// Whether the directory at path has no entries; the system's error code in error when it cannot
// be read.
bool IsEmptyDirectory(std::string_view path, int& error);
#endif

}  // namespace ostrel
