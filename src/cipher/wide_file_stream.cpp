#include "cipher/wide_file_stream.h"

#include <cerrno>
#include <string>

#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "platform/full_path.h"
#include "platform/text_conversion.h"

namespace ostrel {
namespace {

// "Cannot open file "<full path>". <system text>" and its create twin.
std::string FileMessage(const char* what, const std::string& name, int error) {
  return std::string(what) + " \"" + FullPathName(name) + "\". " + SystemErrorText(error);
}

}  // namespace

TWideFileStream::TWideFileStream(std::u16string_view fileName, uint16_t mode,
                                 const TWideFileStream* source) {
  // The name reaches the system as its own 8-bit text. No long-path prefix: POSIX names have no
  // classic length limit to escape, and the prefix would only make them wrong.
  const std::string name = NarrowSystemText(fileName);
  if (mode == fmCreate) {
    const OpenedFile file = CreateOrEmptyFile(name, source != nullptr ? source->handle_ : -1);
    if (file.handle < 0)
      throw EFCreateError(FileMessage("Cannot create file", name, file.error));
    handle_ = file.handle;
    return;
  }
  // Bits 4-7 ask other programs to keep off; POSIX cannot make them, so only the access counts.
  FileAccess access = FileAccess::Read;
  switch (mode & 0x3) {
    case 0:
      access = FileAccess::Read;
      break;
    case 1:
      access = FileAccess::Write;
      break;
    case 2:
      access = FileAccess::ReadWrite;
      break;
    default:
      throw EFOpenError(FileMessage("Cannot open file", name, EINVAL));
  }
  const OpenedFile file = OpenExistingFile(name, access);
  if (file.handle < 0)
    throw EFOpenError(FileMessage("Cannot open file", name, file.error));
  handle_ = file.handle;
}

bool TWideFileStream::Close() {
  const int handle = handle_;
  handle_ = -1;
  return handle < 0 || CloseFile(handle) == 0;
}

TWideFileStream::~TWideFileStream() {
  if (handle_ >= 0)
    CloseFile(handle_);
}

int64_t TWideFileStream::Size() {
  const int64_t position = Position();
  if (position < 0)
    return -1;
  const int64_t size = SeekFile(handle_, 0, SeekOrigin::End);
  SeekFile(handle_, position, SeekOrigin::Beginning);
  return size;
}

int64_t TWideFileStream::Position() {
  return SeekFile(handle_, 0, SeekOrigin::Current);
}

void TWideFileStream::SetPosition(int64_t position) {
  SeekFile(handle_, position, SeekOrigin::Beginning);
}

int32_t TWideFileStream::Read(void* buffer, int32_t count) {
  return ReadFromFile(handle_, buffer, count).Bytes;
}

int32_t TWideFileStream::Write(const void* buffer, int32_t count) {
  return WriteToFile(handle_, buffer, count).Bytes;
}

std::u16string LongPathName(std::u16string_view name) {
  if (name.size() <= 2)
    return std::u16string(name);
  if (name[1] == u':')
    return u"\\\\?\\" + std::u16string(name);                     // C:\dir\file
  if (name[0] == u'\\' && name[1] == u'\\' && name[2] != u'?') {  // \\server\share\file
    // The whole name: a name cut short would reach another file.
    return u"\\\\?\\UNC\\" + std::u16string(name.substr(2));
  }
  return std::u16string(name);  // relative, or already prefixed
}

}  // namespace ostrel
