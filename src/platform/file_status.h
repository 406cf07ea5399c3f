// What the tool needs to know about a file and to carry over to its output: identity (device and
// inode), kind, size, permission bits and time stamps.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel {

enum class FileKind { Missing, Regular, Directory, SymbolicLink, Other };

struct FileStatus {
  FileKind Kind = FileKind::Missing;
  uint64_t Device = 0;
  uint64_t Inode = 0;
  int64_t Size = 0;
  uint32_t Permissions = 0;  // the permission bits, 07777 at most
  uint32_t Owner = 0;        // user and group ids; 0 on systems without them
  uint32_t Group = 0;
  int64_t AccessSeconds = 0;
  int64_t AccessNanoseconds = 0;
  int64_t ModificationSeconds = 0;
  int64_t ModificationNanoseconds = 0;
  int Error = 0;  // the system's error code when the status could not be read (ENOENT: Missing)

  bool IsSameFileAs(const FileStatus& other) const {
    return Kind != FileKind::Missing && other.Kind != FileKind::Missing && Device == other.Device &&
           Inode == other.Inode;
  }
};

// Follows symbolic links.
FileStatus StatusOfPath(std::string_view name);
FileStatus StatusOfHandle(int handle);
// The status of relative below the open directory handle (an entry's name, or a path below it),
// a symbolic link at its end reported, not followed; relative empty: the directory itself.
FileStatus StatusOfEntry(int directory, std::string_view relative);

// The bits to set on a finished output. preserve: the input's own, without set-user, set-group
// and sticky bits, which a file of a new owner must not inherit; otherwise NewOutputPermissions
// less the creation mask.
uint32_t OutputPermissions(uint32_t inputPermissions, bool preserve);

// Both return 0 or the system's error code.
int SetPermissions(int handle, uint32_t permissions);
int SetAccessAndModificationTimes(int handle, const FileStatus& times);

// The process's file-creation mask; read once, before any thread starts, because reading it
// means setting it.
uint32_t FileCreationMask();

}  // namespace ostrel
