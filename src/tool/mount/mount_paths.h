// Paths below the mounted source, and what a failed look-up there answers.
#pragma once

#include <string>
#include <vector>

#include "platform/directory_tree.h"
#include "platform/file_status.h"

namespace ostrel {

// The negated error number for a failed look-up below the source (error: the system's code). A name
// that is no longer what its listing said (a link, a FIFO or a device in its place, or a link on
// the way to it) was replaced since it was listed: gone, as far as the mount is concerned.
int MountFailure(int error);

// A source path ("" for the source itself) and a name below it.
std::string JoinSource(const std::string& directory, const std::string& name);

// The directory of a source path: "" for a name in the source itself.
std::string ParentOfSource(const std::string& sourcePath);

// Lists the directory sourcePath below the open source: kinds and inodes alone, so that the status
// of each entry is read where it is needed, once. Returns 0 or the system's error code.
int ListSourceDirectory(int source, const std::string& sourcePath,
                        std::vector<DirectoryEntry>& entries);

// Whether two states of a file are the same: identity, size and modification time.
bool SameState(const FileStatus& a, const FileStatus& b);

}  // namespace ostrel
