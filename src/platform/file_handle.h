// Files reached by name and used through the operating system's numeric handle: what the
// wide-name file stream needs of the system. Names are the system's 8-bit text; failures come back
// as the system's error code, for the caller to turn into its own message.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel {

// A handle, or a negative handle and the error code that says why there is none.
struct OpenedFile {
  int handle = -1;
  int error = 0;
};

enum class FileAccess { Read, Write, ReadWrite };

// Opens an existing file that is not a directory. Other programs are not locked out: the system
// has no mandatory sharing modes.
OpenedFile OpenExistingFile(std::string_view name, FileAccess access);

// Opens or creates the file for reading and writing and empties it. With a source handle, an
// output that is the source file itself, under whatever name, is refused before it loses a byte,
// and a new file gets the source's read and write permission bits plus the owner's, so a private
// input gives a private output; without one, a new file is readable and writable by all. The
// process's umask applies in both cases.
OpenedFile CreateOrEmptyFile(std::string_view name, int sourceHandle = -1);

// Both move the whole count unless the end of the file or an error comes first, and return the
// number of bytes moved (0 when the first attempt fails).
int32_t ReadFromFile(int handle, void* buffer, int32_t count);
int32_t WriteToFile(int handle, const void* buffer, int32_t count);

enum class SeekOrigin { Beginning, Current, End };

// The new offset from the beginning of the file, or -1 when the handle cannot seek there.
int64_t SeekFile(int handle, int64_t offset, SeekOrigin origin);

// 0, or the error code of a failure the system reports only now (a deferred write that did not
// make it to a network or full file system). The handle is released either way.
int CloseFile(int handle);

}  // namespace ostrel
