// Windows layer of files by name: CreateFileW on full, long-path names, with sharing modes that
// keep writers off an input and everyone off an output. The handles of the interface are C
// runtime descriptors over the system's handles, so that callers keep one handle type.
#include "platform/file_handle.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "platform/whole_transfer.h"
#include "platform/windows/system_name.h"

namespace ostrel {
namespace {

OpenedFile Failure(int error) {
  return {-1, error};
}

int LastError() {
  return static_cast<int>(::GetLastError());
}

HANDLE SystemHandle(int handle) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(handle));
}

// Closes a handle that turned out unusable and reports why.
OpenedFile Refuse(HANDLE handle, int error) {
  ::CloseHandle(handle);
  return Failure(error);
}

// CreateFileW refuses a directory with "Access is denied."; the caller learns what it is.
int OpenError(const std::wstring& name) {
  const int error = LastError();
  if (error == ERROR_ACCESS_DENIED) {
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      return kIsADirectory;
  }
  return error;
}

OpenedFile Descriptor(HANDLE handle) {
  const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  if (descriptor < 0)
    return Refuse(handle, ERROR_TOO_MANY_OPEN_FILES);
  return {descriptor, 0};
}

// Keeps a handle only when it is a file on a disk: a console, a pipe or a printer at a file's
// name is refused, and so is a link, whose target is not the name the caller checked.
OpenedFile RequireRegularFile(HANDLE handle) {
  if (::GetFileType(handle) != FILE_TYPE_DISK)
    return Refuse(handle, kNotARegularFile);
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(handle, &information))
    return Refuse(handle, kNotARegularFile);  // a volume or a disk opened as a whole
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return Refuse(handle, kIsADirectory);
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return Refuse(handle, kNotARegularFile);
  return Descriptor(handle);
}

DWORD AccessRights(FileAccess access) {
  switch (access) {
    case FileAccess::Read:
      return GENERIC_READ;
    case FileAccess::Write:
      return GENERIC_WRITE;
    case FileAccess::ReadWrite:
      break;
  }
  return GENERIC_READ | GENERIC_WRITE;
}

}  // namespace

uint32_t NewOutputPermissions(uint32_t inputPermissions) {
  return (inputPermissions & 0666) | 0600;
}

OpenedFile OpenExistingFile(std::string_view name, FileAccess access) {
  const windows::SystemName file = windows::SystemNameOf(name);
  if (file.Error != 0)
    return Failure(file.Error);
  // Others may read meanwhile, never write: the input cannot change under the cipher, and an
  // output that is this very file cannot be created while it is open.
  const HANDLE handle = ::CreateFileW(file.Name.c_str(), AccessRights(access), FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return Failure(OpenError(file.Name));
  return RequireRegularFile(handle);
}

OpenedFile OpenExistingStream(std::string_view name) {
  const windows::SystemName file = windows::SystemNameOf(name);
  if (file.Error != 0)
    return Failure(file.Error);
  // A pass phrase may come from a file another program still writes, or from a named pipe.
  const HANDLE handle =
      ::CreateFileW(file.Name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return Failure(OpenError(file.Name));
  return Descriptor(handle);
}

OpenedFile CreateOrEmptyFile(std::string_view name, int /*sourceHandle*/) {
  const windows::SystemName file = windows::SystemNameOf(name);
  if (file.Error != 0)
    return Failure(file.Error);
  // Nobody shares an output. The source is open sharing only reading, so naming it here, by any
  // spelling or link, fails with a sharing violation before a byte of it is lost. Opened, not
  // created anew, and without following a reparse point: the file is checked before it is
  // emptied. New files take the directory's access rules; the source's have no say on Windows.
  const HANDLE handle =
      ::CreateFileW(file.Name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return Failure(OpenError(file.Name));
  const OpenedFile output = RequireRegularFile(handle);
  if (output.handle < 0)
    return output;
  if (!::SetEndOfFile(handle)) {
    const int error = LastError();
    ::_close(output.handle);
    return Failure(error);
  }
  return output;
}

namespace {

// One ReadFile or WriteFile. A pipe whose writer has gone, or a read at an offset past the end, is
// the end of the data, not a failure.
TransferStep Step(BOOL succeeded, DWORD moved) {
  if (succeeded)
    return {moved, 0};
  const int error = LastError();
  if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF)
    return {0, 0};
  return {0, error};
}

OVERLAPPED At(int64_t offset) {
  OVERLAPPED overlapped{};
  overlapped.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset));
  overlapped.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
  return overlapped;
}

}  // namespace

FileTransfer ReadFromFile(int handle, void* buffer, int32_t count) {
  const HANDLE file = SystemHandle(handle);
  return TransferAll(static_cast<char*>(buffer), count, 0, [file](char* at, int32_t, int32_t size) {
    DWORD moved = 0;
    const BOOL done = ::ReadFile(file, at, static_cast<DWORD>(size), &moved, nullptr);
    return Step(done, moved);
  });
}

FileTransfer ReadFromFileAt(int handle, int64_t offset, void* buffer, int32_t count) {
  const HANDLE file = SystemHandle(handle);
  // A read at an offset moves the position of a handle opened for plain reads; the position is
  // put back, so a reader that goes on from where it was is not thrown to the end of the file.
  LARGE_INTEGER position{};
  const bool known = ::SetFilePointerEx(file, LARGE_INTEGER{}, &position, FILE_CURRENT) != 0;
  const FileTransfer result = TransferAll(
      static_cast<char*>(buffer), count, 0, [file, offset](char* at, int32_t done, int32_t size) {
        OVERLAPPED where = At(offset + done);
        DWORD moved = 0;
        const BOOL read = ::ReadFile(file, at, static_cast<DWORD>(size), &moved, &where);
        return Step(read, moved);
      });
  if (known)
    ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
  return result;
}

FileTransfer WriteToFile(int handle, const void* buffer, int32_t count) {
  const HANDLE file = SystemHandle(handle);
  return TransferAll(static_cast<const char*>(buffer), count, ERROR_WRITE_FAULT,
                     [file](const char* at, int32_t, int32_t size) {
                       DWORD moved = 0;
                       const BOOL done =
                           ::WriteFile(file, at, static_cast<DWORD>(size), &moved, nullptr);
                       return Step(done, moved);
                     });
}

OpenedFile CreateExclusiveFile(std::string_view name) {
  const windows::SystemName file = windows::SystemNameOf(name);
  if (file.Error != 0)
    return Failure(file.Error);
  const HANDLE handle = ::CreateFileW(file.Name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return Failure(LastError());
  return Descriptor(handle);
}

int RemoveFile(std::string_view name) {
  const windows::SystemName file = windows::SystemNameOf(name);
  if (file.Error != 0)
    return file.Error;
  return ::DeleteFileW(file.Name.c_str()) ? 0 : LastError();
}

int64_t SeekFile(int handle, int64_t offset, SeekOrigin origin) {
  const DWORD method = origin == SeekOrigin::Beginning ? FILE_BEGIN
                       : origin == SeekOrigin::Current ? FILE_CURRENT
                                                       : FILE_END;
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  LARGE_INTEGER position{};
  if (!::SetFilePointerEx(SystemHandle(handle), distance, &position, method))
    return -1;
  return position.QuadPart;
}

OpenedFile DuplicateAtStart(int handle) {
  const int own = ::_dup(handle);
  if (own < 0)
    return {-1, errno == EMFILE ? ERROR_TOO_MANY_OPEN_FILES : ERROR_INVALID_HANDLE};
  if (SeekFile(own, 0, SeekOrigin::Beginning) != 0) {
    const int error = LastError();
    ::_close(own);
    return {-1, error};
  }
  return {own, 0};
}

FileLength LengthOfFile(int handle) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(SystemHandle(handle), &size))
    return {-1, LastError()};
  return {size.QuadPart, 0};
}

int CloseFile(int handle) {
  // The descriptor and the system's handle go together, whatever the close reports.
  if (::_close(handle) == 0)
    return 0;
  const int error = LastError();
  return error != 0 ? error : ERROR_INVALID_HANDLE;
}

}  // namespace ostrel
