#include "tool/restore/zip_extraction.h"

#include <zip.h>

#include <memory>
#include <vector>

#include "errors/exceptions.h"
#include "platform/error_codes.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"

namespace ostrel {
namespace {

constexpr int64_t kChunk = 64 * 1024;
constexpr uint8_t kUnixHost = 3;  // ZIP_OPSYS_UNIX: the external attributes hold a file mode

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
  void operator()(zip_file_t* entry) const { zip_fclose(entry); }
};

ZipExtraction Refuse(std::string reason) {
  ZipExtraction result;
  result.Refusal = std::move(reason);
  return result;
}

std::string ArchiveErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

// A bare file name: no directory part, nothing that leads out of the output directory.
bool IsBareName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string::npos && name.find(':') == std::string::npos;
}

// The Unix file-type bits of the mode an archive records for an entry: the archive's own format,
// whatever system reads it.
constexpr uint32_t kTypeBits = 0170000;
constexpr uint32_t kRegularType = 0100000;
constexpr uint32_t kDirectoryType = 0040000;
constexpr uint32_t kLinkType = 0120000;
constexpr uint32_t kFifoType = 0010000;
constexpr uint32_t kCharacterDeviceType = 0020000;
constexpr uint32_t kBlockDeviceType = 0060000;
constexpr uint32_t kSocketType = 0140000;

// What keeps the entry from being restored as a file, or empty for a regular file. Archives from
// other hosts record no file type; Unix tools that write an entry from memory record permission
// bits with no type at all: both are files. A directory shows in its name's trailing "/".
std::string WhyNotARegularEntry(zip_t* archive, zip_uint64_t index, const std::string& name) {
  if (name.ends_with('/'))
    return "is a directory";
  zip_uint8_t host = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(archive, index, 0, &host, &attributes) != 0)
    return "has attributes that cannot be read";
  if (host != kUnixHost)
    return {};
  const uint32_t type = (attributes >> 16) & kTypeBits;
  switch (type) {
    case 0:
    case kRegularType:
      return {};
    case kDirectoryType:
      return "is a directory";
    case kLinkType:
      return "is a symbolic link";
    case kFifoType:
      return "is a FIFO";
    case kCharacterDeviceType:
    case kBlockDeviceType:
      return "is a device";
    case kSocketType:
      return "is a socket";
    default:
      return "has an unknown file type";
  }
}

}  // namespace

ZipExtraction ExtractSingleEntry(int archiveHandle, uint64_t expectedSize, int outputHandle,
                                 const std::string& outputName) {
  // The archive library closes the handle it is given.
  const OpenedFile own = DuplicateAtStart(archiveHandle);
  if (own.handle < 0)
    throw Exception("cannot read the archive: " + SystemErrorText(own.error));
  int code = 0;
  const std::unique_ptr<zip_t, ArchiveCloser> archive(
      zip_fdopen(own.handle, ZIP_RDONLY | ZIP_CHECKCONS, &code));
  if (!archive) {
    CloseFile(own.handle);
    return Refuse("not a readable archive: " + ArchiveErrorText(code));
  }
  const zip_int64_t entries = zip_get_num_entries(archive.get(), 0);
  if (entries != 1)
    return Refuse("the archive holds " + std::to_string(entries) + " entries, not one");
  zip_stat_t status;
  zip_stat_init(&status);
  if (zip_stat_index(archive.get(), 0, 0, &status) != 0 || (status.valid & ZIP_STAT_NAME) == 0)
    return Refuse("the archive's entry cannot be read");
  const std::string name = status.name;
  if (const std::string why = WhyNotARegularEntry(archive.get(), 0, name); !why.empty())
    return Refuse("the archive's entry \"" + name + "\" " + why);
  if (!IsBareName(name))
    return Refuse("the archive's entry \"" + name + "\" is not a plain file name");
  if ((status.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && status.encryption_method != ZIP_EM_NONE)
    return Refuse("the archive's entry is encrypted");
  if ((status.valid & ZIP_STAT_COMP_METHOD) == 0 ||
      zip_compression_method_supported(status.comp_method, 0) == 0)
    return Refuse("the archive's entry uses an unknown compression method");
  if ((status.valid & ZIP_STAT_SIZE) != 0 && status.size != expectedSize)
    return Refuse("the archive's entry declares " + std::to_string(status.size) +
                  " bytes, the name " + std::to_string(expectedSize));

  const std::unique_ptr<zip_file_t, EntryCloser> entry(zip_fopen_index(archive.get(), 0, 0));
  if (!entry)
    return Refuse("the archive's entry cannot be read: " +
                  std::string(zip_strerror(archive.get())));
  std::vector<char> buffer(static_cast<std::size_t>(kChunk));
  ZipExtraction result;
  // One read beyond the expected size shows an entry that is larger than it said.
  const auto limit = static_cast<int64_t>(expectedSize) + kChunk;
  while (result.Bytes < limit) {
    const zip_int64_t got =
        zip_fread(entry.get(), buffer.data(), static_cast<zip_uint64_t>(kChunk));
    if (got < 0)
      return Refuse("the archive is damaged: " + std::string(zip_file_strerror(entry.get())));
    if (got == 0)
      break;
    if (result.Bytes + got > static_cast<int64_t>(expectedSize))
      return Refuse("the archive's entry is larger than the name's " +
                    std::to_string(expectedSize) + " bytes");
    const FileTransfer written =
        WriteToFile(outputHandle, buffer.data(), static_cast<int32_t>(got));
    if (written.Bytes != got)
      throw Exception("cannot write " + outputName + ": " +
                      SystemErrorText(written.Error != 0 ? written.Error : kErrorDiskFull));
    result.Bytes += got;
  }
  if (result.Bytes != static_cast<int64_t>(expectedSize))
    return Refuse("the archive's entry has " + std::to_string(result.Bytes) + " bytes, the name " +
                  std::to_string(expectedSize));
  result.Extracted = true;
  if ((status.valid & ZIP_STAT_MTIME) != 0)
    result.EntryTime = static_cast<int64_t>(status.mtime);
  return result;
}

}  // namespace ostrel
