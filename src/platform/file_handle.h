// Files reached by name and used through the operating system's numeric handle: what the
// wide-name file stream needs of the system. Names are the system's 8-bit text; failures come back
// as the system's error code, for the caller to turn into its own message.
#pragma once

#include <cerrno>
#include <cstdint>
#include <string_view>

namespace ostrel {

// A handle, or a negative handle and the error code that says why there is none.
struct OpenedFile {
  int handle = -1;
  int error = 0;
};

enum class FileAccess { Read, Write, ReadWrite };

// The error code for a name that holds no regular file (a FIFO, a device, a socket) where a file
// is needed, and the one for a directory there. POSIX: ENXIO, the system's own answer for a
// special file that cannot be used as asked, and EISDIR. Windows: "The file cannot be accessed by
// the system." and "An operation is not supported on a directory.".
#ifdef _WIN32
inline constexpr int kNotARegularFile = 1920;  // ERROR_CANT_ACCESS_FILE
inline constexpr int kIsADirectory = 336;      // ERROR_DIRECTORY_NOT_SUPPORTED
#else
inline constexpr int kNotARegularFile = ENXIO;
inline constexpr int kIsADirectory = EISDIR;
// A symbolic link found at an output name, which is refused and left as it is. A code of ours,
// beyond the system's error numbers: the system's text for ELOOP speaks of too many links, which
// is not what happened. SystemErrorText says what did.
inline constexpr int kSymbolicLinkAtName = 0x10000;
#endif

// Opens an existing regular file; a directory gives kIsADirectory and any other kind
// kNotARegularFile, at once: a FIFO swapped in for a file fails that file instead of waiting for
// a writer. Other programs may meanwhile read the file; on Windows they may not write it (POSIX
// has no mandatory sharing modes, so there they are not locked out).
OpenedFile OpenExistingFile(std::string_view name, FileAccess access);

// Opens an existing file of any kind but a directory (kIsADirectory) for reading, blocking as its
// kind does: a pass phrase may come from a pipe, a terminal or a FIFO.
OpenedFile OpenExistingStream(std::string_view name);

// The permission bits a new output gets from its input before the creation mask applies: the
// input's read/write bits plus the owner's, so that a private input gives a private output and
// the owner can always replace what was written.
uint32_t NewOutputPermissions(uint32_t inputPermissions);

// Opens or creates the file for reading and writing and empties it. A symbolic link at the name
// is refused (kSymbolicLinkAtName; on Windows any reparse point, kNotARegularFile), whether it
// points at a file
// or nowhere, and so is anything but a regular file (kNotARegularFile, kIsADirectory), before
// anything is changed. With a source handle, an
// output that is the source file itself, under whatever name, is refused before it loses a byte,
// and a new file gets the source's read and write permission bits plus the owner's, so a private
// input gives a private output; without one, a new file is readable and writable by all. The
// process's umask applies in both cases.
OpenedFile CreateOrEmptyFile(std::string_view name, int sourceHandle = -1);

// What a read or write moved, and the system's error code when it stopped short because the
// system refused (0 when it stopped at the end of the file, or moved everything).
struct FileTransfer {
  int32_t Bytes = 0;
  int Error = 0;
};

// Both move the whole count unless the end of the file or an error comes first.
FileTransfer ReadFromFile(int handle, void* buffer, int32_t count);
FileTransfer WriteToFile(int handle, const void* buffer, int32_t count);
// Reads at offset without moving the handle's position, so that readers may share a handle.
FileTransfer ReadFromFileAt(int handle, int64_t offset, void* buffer, int32_t count);

enum class SeekOrigin { Beginning, Current, End };

// The new offset from the beginning of the file, or -1 when the handle cannot seek there.
int64_t SeekFile(int handle, int64_t offset, SeekOrigin origin);

// A handle of its own on the open file, positioned at its start, for a reader that takes over the
// handle it is given and closes it: the caller's handle stays open. The position is shared with
// the caller's handle. The new handle, or a negative handle and the system's error code.
OpenedFile DuplicateAtStart(int handle);

// The length of the open file, or -1 and the system's error code.
struct FileLength {
  int64_t Bytes = -1;
  int Error = 0;
};
FileLength LengthOfFile(int handle);

// Creates a new file for one writer only: never an existing file, never through a symbolic link,
// readable and writable by the owner alone until the writer says otherwise. EEXIST (Windows:
// ERROR_FILE_EXISTS) when the name
// is taken.
OpenedFile CreateExclusiveFile(std::string_view name);

// 0, or the error code of a failure the system reports only now (a deferred write that did not
// make it to a network or full file system): a failing close can be the first report of lost
// data. The handle is released either way.
int CloseFile(int handle);

// Returns 0 or the system's error code.
int RemoveFile(std::string_view name);

}  // namespace ostrel
