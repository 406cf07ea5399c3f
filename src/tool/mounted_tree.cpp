#include "tool/mounted_tree.h"

#include <cerrno>
#include <cstring>
#include <deque>

#include "cipher/block_cipher.h"
#include "cipher/ecb_random_access.h"
#include "cipher/handle_random_access.h"
#include "cipher/stream_errors.h"
#include "errors/exceptions.h"
#include "names/path_joining.h"
#include "platform/file_handle.h"

namespace ostrel {
namespace {

// Pieces of the size the kernel asks for at a time, so that a sequential read decrypts each piece
// once; 64 of them bound the cache at 8 MiB.
constexpr int64_t kChunkBytes = 128 * 1024;
constexpr std::size_t kCachedChunks = 64;
// Bounds on what the tree remembers, so that browsing a huge backup keeps memory flat: forgotten
// listings are read again when needed, forgotten lengths from the final block.
constexpr std::size_t kCachedListings = 4096;
constexpr std::size_t kCachedLengths = 200000;
// Directories looked into for the sample of files that the pass phrase is tried on.
constexpr std::size_t kSampledDirectories = 1000;

constexpr uint32_t kReadOnlyBits = 0555;

bool SameState(const FileStatus& a, const FileStatus& b) {
  return a.Device == b.Device && a.Inode == b.Inode && a.Size == b.Size &&
         a.ModificationSeconds == b.ModificationSeconds &&
         a.ModificationNanoseconds == b.ModificationNanoseconds;
}

std::string JoinSource(const std::string& directory, const std::string& name) {
  return JoinPath(directory, name, PathStyle::Posix);
}

}  // namespace

OpenedShownFile::~OpenedShownFile() {
  CloseFile(Handle);
}

MountedTree::MountedTree(int source, ShowSettings settings, MountLog& log)
    : source_(source), settings_(settings), log_(log), chunks_(kCachedChunks) {}

MountedTree::~MountedTree() = default;

int MountedTree::ListingOf(const std::string& sourcePath, bool fresh,
                           std::shared_ptr<const std::vector<ShownEntry>>& entries) {
  std::vector<std::string> reported;
  {
    const std::lock_guard lock(mutex_);
    const auto found = listings_.find(sourcePath);
    if (found != listings_.end()) {
      if (!fresh) {
        found->second.LastUse = ++uses_;
        entries = found->second.Entries;
        return 0;
      }
      reported = found->second.LeftOut;
    }
  }
  std::vector<ListedEntry> listed;
  const int error = ListDirectoryBelow(source_, sourcePath, listed);
  if (error != 0)
    return -error;
  Listing listing;
  // A name left out is reported when the directory is first listed, and again only when it is
  // new, so that listing a directory over and over does not fill the log.
  listing.Entries = std::make_shared<const std::vector<ShownEntry>>(
      ShowDirectory(listed, settings_, [&](const std::string& name, const std::string& reason) {
        listing.LeftOut.push_back(name);
        if (std::find(reported.begin(), reported.end(), name) == reported.end())
          log_.Note("left out " + JoinSource(sourcePath, name) + ": " + reason);
      }));
  entries = listing.Entries;
  const std::lock_guard lock(mutex_);
  listing.LastUse = ++uses_;
  listings_[sourcePath] = std::move(listing);
  if (listings_.size() > kCachedListings) {
    auto oldest = listings_.begin();
    for (auto it = listings_.begin(); it != listings_.end(); ++it) {
      if (it->second.LastUse < oldest->second.LastUse)
        oldest = it;
    }
    listings_.erase(oldest);
  }
  return 0;
}

int MountedTree::Resolve(std::string_view path, Resolved& resolved) {
  resolved.SourcePath.clear();
  resolved.Entry = ShownEntry{};
  resolved.Entry.Kind = ShownKind::Directory;
  std::size_t position = 0;
  while (position < path.size()) {
    if (path[position] == '/') {
      ++position;
      continue;
    }
    if (resolved.Entry.Kind != ShownKind::Directory)
      return -ENOTDIR;
    std::size_t end = path.find('/', position);
    if (end == std::string_view::npos)
      end = path.size();
    std::shared_ptr<const std::vector<ShownEntry>> entries;
    if (const int error = ListingOf(resolved.SourcePath, false, entries); error != 0)
      return error;
    const ShownEntry* entry = FindShownEntry(*entries, path.substr(position, end - position));
    if (entry == nullptr)
      return -ENOENT;
    resolved.SourcePath = JoinSource(resolved.SourcePath, entry->SourceName);
    resolved.Entry = *entry;
    position = end;
  }
  return 0;
}

std::optional<int64_t> MountedTree::KnownPlainLength(const FileStatus& status) {
  const std::lock_guard lock(mutex_);
  const auto found = lengths_.find({status.Device, status.Inode});
  if (found != lengths_.end() && found->second.Size == status.Size &&
      found->second.Seconds == status.ModificationSeconds &&
      found->second.Nanoseconds == status.ModificationNanoseconds)
    return found->second.PlainLength;
  return std::nullopt;
}

int64_t MountedTree::PlainLengthOf(int handle, const std::string& sourcePath,
                                   EncryptionMethod method, const FileStatus& status) {
  if (const std::optional<int64_t> known = KnownPlainLength(status))
    return *known;
  const std::pair<uint64_t, uint64_t> identity{status.Device, status.Inode};
  const auto cipher = MakeCipherFor(method, keys_->KeyFor(method), false);
  HandleRandomAccess input(handle);
  EcbPlainReader reader(input, *cipher, FinalBlockCheck::kTailCountAndPadding);
  int64_t length = -1;
  try {
    length = reader.PlainLength();
  } catch (const ETruncatedStream&) {
    log_.Note(sourcePath + ": truncated or not an encrypted file; reads fail");
  } catch (const EFinalBlockRejected&) {
    log_.Note(sourcePath + ": wrong pass phrase or damaged file; reads fail");
  }
  const std::lock_guard lock(mutex_);
  if (lengths_.size() >= kCachedLengths)
    lengths_.clear();
  lengths_[identity] = {status.Size, status.ModificationSeconds, status.ModificationNanoseconds,
                        length};
  return length;
}

int MountedTree::AttributesOf(const Resolved& resolved, const FileStatus& status,
                              ShownAttributes& attributes) {
  if (status.Error != 0)
    return -status.Error;
  const bool directory = resolved.Entry.Kind == ShownKind::Directory;
  if (status.Kind != (directory ? FileKind::Directory : FileKind::Regular))
    return -ENOENT;  // replaced by something else since it was listed
  attributes.Directory = directory;
  attributes.Permissions = status.Permissions & kReadOnlyBits;
  attributes.Size = status.Size;
  attributes.Seconds = status.ModificationSeconds;
  attributes.Nanoseconds = status.ModificationNanoseconds;
  if (resolved.Entry.StampSeconds) {
    attributes.Seconds = *resolved.Entry.StampSeconds;
    attributes.Nanoseconds = 0;
  }
  if (resolved.Entry.Kind != ShownKind::EncryptedFile)
    return 0;
  // Listing a large tree again costs one status per file: the file is opened only when its
  // final block has not been read in this state.
  if (const std::optional<int64_t> known = KnownPlainLength(status)) {
    attributes.Size = std::max<int64_t>(0, *known);
    return 0;
  }
  const OpenedFile file = OpenFileBelow(source_, resolved.SourcePath);
  if (file.handle < 0)
    return -file.error;
  int result = 0;
  try {
    // A file that does not open shows as empty; opening it fails.
    const FileStatus opened = StatusOfHandle(file.handle);
    attributes.Size =
        std::max<int64_t>(0, PlainLengthOf(file.handle, resolved.SourcePath, resolved.Entry.Method,
                                           SameState(opened, status) ? status : opened));
  } catch (const std::exception& error) {
    log_.Note(resolved.SourcePath + ": " + error.what());
    result = -EIO;
  }
  CloseFile(file.handle);
  return result;
}

int MountedTree::Attributes(std::string_view path, ShownAttributes& attributes) {
  Resolved resolved;
  if (const int error = Resolve(path, resolved); error != 0)
    return error;
  return AttributesOf(resolved, StatusBelow(source_, resolved.SourcePath), attributes);
}

int MountedTree::List(
    std::string_view path,
    const std::function<void(const std::string&, const ShownAttributes&)>& visit) {
  Resolved resolved;
  if (const int error = Resolve(path, resolved); error != 0)
    return error;
  if (resolved.Entry.Kind != ShownKind::Directory)
    return -ENOTDIR;
  std::shared_ptr<const std::vector<ShownEntry>> entries;
  if (const int error = ListingOf(resolved.SourcePath, true, entries); error != 0)
    return error;
  for (const ShownEntry& entry : *entries) {
    Resolved child{JoinSource(resolved.SourcePath, entry.SourceName), entry};
    ShownAttributes attributes;
    // An entry that vanished or fails since the listing is skipped; a lookup reports why.
    // The status the listing just read is fresh: no second look-up per entry.
    if (AttributesOf(child, entry.Source, attributes) == 0)
      visit(entry.Name, attributes);
  }
  return 0;
}

int MountedTree::Open(std::string_view path, std::unique_ptr<OpenedShownFile>& file) {
  Resolved resolved;
  if (const int error = Resolve(path, resolved); error != 0)
    return error;
  if (resolved.Entry.Kind == ShownKind::Directory)
    return -EISDIR;
  const OpenedFile opened = OpenFileBelow(source_, resolved.SourcePath);
  if (opened.handle < 0)
    return -opened.error;
  file = std::make_unique<OpenedShownFile>(opened.handle, resolved.Entry.Kind,
                                           resolved.Entry.Method, resolved.SourcePath);
  file->State = StatusOfHandle(opened.handle);
  if (file->Kind != ShownKind::EncryptedFile)
    return 0;
  try {
    file->PlainLength = PlainLengthOf(file->Handle, file->SourcePath, file->Method, file->State);
  } catch (const std::exception& error) {
    log_.Note(file->SourcePath + ": " + error.what());
  }
  if (file->PlainLength < 0) {
    log_.Note(file->SourcePath + ": opening refused (I/O error): its final block does not open");
    file.reset();
    return -EIO;
  }
  return 0;
}

int64_t MountedTree::Read(OpenedShownFile& file, int64_t offset, uint8_t* buffer, int64_t count) {
  if (file.Kind != ShownKind::EncryptedFile) {
    const FileTransfer moved = ReadFromFileAt(
        file.Handle, offset, buffer, static_cast<int32_t>(std::min<int64_t>(count, 1 << 30)));
    return moved.Error != 0 ? -moved.Error : moved.Bytes;
  }
  try {
    // A file that grew or shrank while open has a new final block: its length is read again.
    FileStatus state = StatusOfHandle(file.Handle);
    int64_t length = 0;
    {
      const std::lock_guard lock(file.Mutex);
      if (!SameState(state, file.State)) {
        file.State = state;
        file.PlainLength = PlainLengthOf(file.Handle, file.SourcePath, file.Method, state);
      }
      state = file.State;
      length = file.PlainLength;
    }
    if (length < 0)
      return -EIO;
    if (offset >= length || count <= 0)
      return 0;
    const int64_t end = std::min(length, offset + count);
    std::unique_ptr<BlockCipher> cipher;
    for (int64_t position = offset; position < end;) {
      const PlainChunkKey key{state.Device,
                              state.Inode,
                              state.Size,
                              state.ModificationSeconds,
                              state.ModificationNanoseconds,
                              position / kChunkBytes};
      PlainChunk chunk = chunks_.Find(key);
      if (!chunk) {
        if (!cipher)
          cipher = MakeCipherFor(file.Method, keys_->KeyFor(file.Method), false);
        HandleRandomAccess input(file.Handle);
        EcbPlainReader reader(input, *cipher, FinalBlockCheck::kTailCountAndPadding);
        auto bytes = std::make_shared<std::vector<uint8_t>>(
            static_cast<std::size_t>(std::min(kChunkBytes, length - key.Chunk * kChunkBytes)));
        const int64_t got = reader.Read(key.Chunk * kChunkBytes, bytes->data(),
                                        static_cast<int64_t>(bytes->size()));
        if (got != static_cast<int64_t>(bytes->size()))
          return -EIO;  // changed under the reader; the next read sees its new state
        chunk = std::move(bytes);
        chunks_.Keep(key, chunk);
      }
      const int64_t skip = position - key.Chunk * kChunkBytes;
      const int64_t take =
          std::min<int64_t>(end - position, static_cast<int64_t>(chunk->size()) - skip);
      std::memcpy(buffer + (position - offset), chunk->data() + skip, static_cast<size_t>(take));
      position += take;
    }
    return end - offset;
  } catch (const EFinalBlockRejected&) {
    log_.Note(file.SourcePath + ": wrong pass phrase or damaged file; read refused");
  } catch (const std::exception& error) {
    log_.Note(file.SourcePath + ": " + error.what());
  }
  return -EIO;
}

void MountedTree::Close(std::unique_ptr<OpenedShownFile>& file) {
  file.reset();
}

std::vector<std::pair<std::string, EncryptionMethod>> MountedTree::SampleEncryptedFiles(
    std::size_t limit) {
  std::vector<std::pair<std::string, EncryptionMethod>> sample;
  std::deque<std::string> directories{""};
  std::size_t visited = 0;
  while (!directories.empty() && sample.size() < limit && visited < kSampledDirectories) {
    const std::string directory = directories.front();
    directories.pop_front();
    ++visited;
    std::shared_ptr<const std::vector<ShownEntry>> entries;
    if (ListingOf(directory, false, entries) != 0)
      continue;
    for (const ShownEntry& entry : *entries) {
      if (entry.Kind == ShownKind::Directory)
        directories.push_back(JoinSource(directory, entry.SourceName));
      else if (entry.Kind == ShownKind::EncryptedFile && sample.size() < limit)
        sample.emplace_back(JoinSource(directory, entry.SourceName), entry.Method);
    }
  }
  return sample;
}

}  // namespace ostrel
