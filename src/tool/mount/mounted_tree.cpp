#include "tool/mount/mounted_tree.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <thread>

#include "cipher/block_cipher.h"
#include "cipher/ecb_random_access.h"
#include "cipher/handle_random_access.h"
#include "cipher/stream_errors.h"
#include "errors/exceptions.h"
#include "names/encryption_method.h"
#include "names/path_joining.h"
#include "platform/directory_listing.h"
#include "platform/file_handle.h"

namespace ostrel {
namespace {

// Pieces the size of the kernel's smaller requests (one or two make a request), so that a
// sequential read decrypts each piece once; 64 of them bound the cache at 8 MiB.
constexpr int64_t kChunkBytes = 128 * 1024;
constexpr std::size_t kCachedChunks = 64;
// Bounds on what the tree remembers, so that browsing a huge backup keeps memory flat: forgotten
// listings are read again when needed, forgotten lengths from the final block.
constexpr std::size_t kCachedListings = 4096;
constexpr std::size_t kCachedListingEntries = 100000;
constexpr std::size_t kCachedLengths = 200000;
// Directories looked into for the sample of files that the pass phrase is tried on.
constexpr std::size_t kSampledDirectories = 1000;
// Pieces decrypted ahead of a reader going through a file: enough to keep the other cores busy
// while the kernel copies, few enough to stay well inside the cache.
constexpr int64_t kAheadChunks = 8;
constexpr std::size_t kQueuedAheadChunks = 32;
// Files of a listing whose final blocks are worth another thread.
constexpr std::size_t kFinalBlocksPerThread = 16;
// Subdirectory listings made ahead, at most, and how long one serves: as long as the kernel keeps
// attributes, so that a change below the source shows as soon as it does without them.
constexpr std::size_t kPreparedListings = 256;
constexpr auto kPreparedListingLife = std::chrono::seconds(1);
// Listings are made ahead on spare processor time, which other programs may take for long: one
// being made is waited for this long, then the program's request makes it itself.
constexpr auto kPreparedListingWait = std::chrono::milliseconds(50);

constexpr uint32_t kReadOnlyBits = 0555;

// The answer for a failed look-up below the source. A name that is no longer what its listing
// said (a link, a FIFO or a device in its place, or a link on the way to it) was replaced since
// it was listed: gone, as far as the mount is concerned.
int Failure(int error) {
  const bool replaced = error == ELOOP || error == ENOTDIR || error == kNotARegularFile;
  return -(replaced ? ENOENT : error);
}

bool SameState(const FileStatus& a, const FileStatus& b) {
  return a.Device == b.Device && a.Inode == b.Inode && a.Size == b.Size &&
         a.ModificationSeconds == b.ModificationSeconds &&
         a.ModificationNanoseconds == b.ModificationNanoseconds;
}

std::string JoinSource(const std::string& directory, const std::string& name) {
  return JoinPath(directory, name, PathStyle::Posix);
}

unsigned Processors() {
  return std::max(1U, std::thread::hardware_concurrency());
}

// The plain piece key names, of a file whose plain length is length; nothing when the file proved
// shorter than its state said (changed under the reader).
PlainChunk DecryptChunk(int handle, const BlockCipher& cipher, const PlainChunkKey& key,
                        int64_t length) {
  HandleRandomAccess input(handle, key.Size);
  EcbPlainReader reader(input, cipher, FinalBlockCheck::kTailCountAndPadding);
  auto bytes = std::make_shared<PlainBytes>(
      static_cast<std::size_t>(std::min(kChunkBytes, length - key.Chunk * kChunkBytes)));
  if (reader.Read(key.Chunk * kChunkBytes, bytes->data(), static_cast<int64_t>(bytes->size())) !=
      static_cast<int64_t>(bytes->size()))
    return nullptr;
  return bytes;
}

// A handle closed when it goes out of scope; none when the open failed.
class ClosingHandle {
 public:
  explicit ClosingHandle(OpenedFile opened) : opened_(opened) {}
  ~ClosingHandle() {
    if (opened_.handle >= 0)
      CloseFile(opened_.handle);
  }
  ClosingHandle(const ClosingHandle&) = delete;
  ClosingHandle& operator=(const ClosingHandle&) = delete;
  int Handle() const { return opened_.handle; }
  int Error() const { return opened_.error; }

 private:
  const OpenedFile opened_;
};

// Runs work(i) for each i below count on up to threads threads, the caller's among them, and
// returns when all are done. work must not raise.
void RunOnThreads(std::size_t count, unsigned threads,
                  const std::function<void(std::size_t)>& work) {
  std::atomic<std::size_t> next{0};
  const auto serve = [&] {
    for (std::size_t index = next++; index < count; index = next++)
      work(index);
  };
  // The helpers must outlive the caller's own share of the work: they join when this scope ends.
  std::vector<std::jthread> helpers;  // cppcheck-suppress variableScope
  try {
    while (helpers.size() + 1 < threads)
      helpers.emplace_back(serve);
  } catch (const std::system_error&) {
    // Fewer threads do the same work.
  }
  serve();
}

}  // namespace

OpenedShownFile::~OpenedShownFile() {
  CloseFile(Handle);
}

MountedTree::MountedTree(int source, ShowSettings settings, MountLog& log)
    : source_(source),
      settings_(settings),
      log_(log),
      chunks_(kCachedChunks),
      // The reader's own thread decrypts as well; on one processor, ahead work still overlaps
      // the kernel's copying.
      ahead_(std::max(1U, Processors() - 1), kQueuedAheadChunks),
      preparing_(Processors(), kPreparedListings, JobPriority::kSpare) {}

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
  // Kinds alone: the status of each entry is read where it is needed, once.
  const int error = ListDirectoryKindsBelow(source_, sourcePath, listed);
  if (error != 0)
    return Failure(error);
  Listing listing;
  // A name left out is reported when the directory is first listed, and again only when it is
  // new, so that listing a directory over and over does not fill the log.
  listing.Entries = std::make_shared<const std::vector<ShownEntry>>(
      ShowDirectory(listed, settings_, [&](const std::string& name, EntryVerdict /*verdict*/,
                                          const std::string& reason) {
        listing.LeftOut.push_back(name);
        if (std::find(reported.begin(), reported.end(), name) == reported.end())
          log_.Note("left out " + JoinSource(sourcePath, name) + ": " + reason);
      }));
  entries = listing.Entries;
  listed = {};  // before the lock: a large directory's listing takes a while to free
  const std::lock_guard lock(mutex_);
  listing.LastUse = ++uses_;
  Listing& kept = listings_[sourcePath];
  cachedEntries_ -= kept.Entries ? kept.Entries->size() : 0;
  cachedEntries_ += listing.Entries->size();
  kept = std::move(listing);
  // The least recently used listings go, down to the bounds; the new one stays, however large,
  // since every look-up in its directory needs it.
  while (listings_.size() > 1 &&
         (listings_.size() > kCachedListings || cachedEntries_ > kCachedListingEntries)) {
    auto oldest = listings_.end();
    for (auto it = listings_.begin(); it != listings_.end(); ++it) {
      if (it->first != sourcePath &&
          (oldest == listings_.end() || it->second.LastUse < oldest->second.LastUse))
        oldest = it;
    }
    if (oldest == listings_.end())
      break;
    cachedEntries_ -= oldest->second.Entries->size();
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

bool MountedTree::LengthRecorded(uint64_t device, uint64_t inode) {
  const std::lock_guard lock(mutex_);
  return lengths_.contains({device, inode});
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

void MountedTree::UseKeys(const MountKeys& keys) {
  for (const EncryptionMethod method : {EncryptionMethod::kTripleDes, EncryptionMethod::kRijndael})
    decryptors_[method == EncryptionMethod::kTripleDes ? 0 : 1] =
        MakeCipherFor(method, keys.KeyFor(method), false);
}

const BlockCipher& MountedTree::Decryptor(EncryptionMethod method) const {
  return *decryptors_[method == EncryptionMethod::kTripleDes ? 0 : 1];
}

int64_t MountedTree::PlainLengthOf(int handle, const std::string& sourcePath,
                                   EncryptionMethod method, const FileStatus& status) {
  if (const std::optional<int64_t> known = KnownPlainLength(status))
    return *known;
  const std::pair<uint64_t, uint64_t> identity{status.Device, status.Inode};
  HandleRandomAccess input(handle, status.Size);
  EcbPlainReader reader(input, Decryptor(method), FinalBlockCheck::kTailCountAndPadding);
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

int MountedTree::AttributesOf(const Resolved& resolved, std::optional<FileStatus> status,
                              int parent, const std::string& name, ShownAttributes& attributes) {
  // An encrypted file is opened first when its status is not known yet: that status then comes
  // from the handle, and its name is looked up once.
  std::optional<ClosingHandle> file;
  const bool openedFirst = !status;
  if (openedFirst) {
    file.emplace(OpenFileBelow(parent, name));
    if (file->Handle() < 0)
      return Failure(file->Error());
    status = StatusOfHandle(file->Handle());
  }
  if (status->Error != 0)
    return Failure(status->Error);
  const bool directory = resolved.Entry.Kind == ShownKind::Directory;
  if (status->Kind != (directory ? FileKind::Directory : FileKind::Regular))
    return -ENOENT;  // replaced by something else since it was listed
  attributes.Directory = directory;
  attributes.Permissions = status->Permissions & kReadOnlyBits;
  attributes.Owner = status->Owner;
  attributes.Group = status->Group;
  attributes.Size = status->Size;
  attributes.Seconds = status->ModificationSeconds;
  attributes.Nanoseconds = status->ModificationNanoseconds;
  if (resolved.Entry.StampSeconds) {
    attributes.Seconds = *resolved.Entry.StampSeconds;
    attributes.Nanoseconds = 0;
  }
  if (resolved.Entry.Kind != ShownKind::EncryptedFile)
    return 0;
  // Listing a large tree again costs one status per file: the file is opened only when its
  // final block has not been read in this state.
  if (const std::optional<int64_t> known = KnownPlainLength(*status)) {
    attributes.Size = std::max<int64_t>(0, *known);
    return 0;
  }
  if (!file) {
    file.emplace(OpenFileBelow(parent, name));
    if (file->Handle() < 0)
      return Failure(file->Error());
  }
  try {
    // A file that does not open shows as empty; opening it fails.
    // The state of the file as opened: the plain length is remembered for that state.
    const FileStatus opened = openedFirst ? *status : StatusOfHandle(file->Handle());
    attributes.Size = std::max<int64_t>(
        0, PlainLengthOf(file->Handle(), resolved.SourcePath, resolved.Entry.Method, opened));
  } catch (const std::exception& error) {
    log_.Note(resolved.SourcePath + ": " + error.what());
    return -EIO;
  }
  return 0;
}

int MountedTree::Attributes(std::string_view path, ShownAttributes& attributes) {
  Resolved resolved;
  if (const int error = Resolve(path, resolved); error != 0)
    return error;
  return AttributesOf(resolved, StatusOfEntryBelow(source_, resolved.SourcePath), source_,
                      resolved.SourcePath, attributes);
}

int MountedTree::MakeListing(const std::string& sourcePath, unsigned threads,
                             ShownListing& listing) {
  std::shared_ptr<const std::vector<ShownEntry>> entries;
  if (const int error = ListingOf(sourcePath, true, entries); error != 0)
    return error;
  // Entries are looked up by name from the directory: one name per look-up, not the whole path.
  const ClosingHandle directory(OpenDirectoryBelow(source_, sourcePath));
  if (directory.Handle() < 0)
    return Failure(directory.Error());
  const uint64_t device = StatusOfHandle(directory.Handle()).Device;
  // Encrypted files whose final blocks were never read (by the inode the listing gives) are
  // opened at once, without a status of their names first.
  std::vector<bool> neverRead(entries->size());
  std::size_t unknownLengths = 0;
  for (std::size_t index = 0; index < entries->size(); ++index) {
    const ShownEntry& entry = (*entries)[index];
    if (entry.Kind == ShownKind::EncryptedFile && !LengthRecorded(device, entry.SourceInode)) {
      neverRead[index] = true;
      ++unknownLengths;
    }
  }
  // A first listing waits on a final block per file: they are read on every core.
  std::vector<std::optional<ShownAttributes>> shown(entries->size());
  RunOnThreads(
      entries->size(),
      static_cast<unsigned>(
          std::min<std::size_t>(threads, 1 + unknownLengths / kFinalBlocksPerThread)),
      [&](std::size_t index) {
        const ShownEntry& entry = (*entries)[index];
        const Resolved child{JoinSource(sourcePath, entry.SourceName), entry};
        ShownAttributes attributes;
        try {
          std::optional<FileStatus> status;
          if (!neverRead[index])
            status = StatusBelow(directory.Handle(), entry.SourceName);
          if (AttributesOf(child, status, directory.Handle(), entry.SourceName, attributes) == 0)
            shown[index] = attributes;
        } catch (const std::exception& error) {
          log_.Note(child.SourcePath + ": " + error.what());
        }
      });
  // An entry that vanished or fails since the listing is skipped; a lookup reports why.
  for (std::size_t index = 0; index < entries->size(); ++index) {
    if (!shown[index])
      continue;
    const ShownEntry& entry = (*entries)[index];
    listing.Entries.emplace_back(entry.Name, *shown[index]);
    if (entry.Kind == ShownKind::Directory)
      listing.Subdirectories.push_back(JoinSource(sourcePath, entry.SourceName));
  }
  return 0;
}

bool MountedTree::TakePrepared(const std::string& sourcePath, int& error, ShownListing& listing) {
  std::unique_lock lock(preparedMutex_);
  auto found = prepared_.find(sourcePath);
  if (found == prepared_.end())
    return false;
  if (found->second.Stage == PreparedListing::Stage::kQueued) {
    prepared_.erase(found);  // the job finds it gone and does nothing
    return false;
  }
  const bool made = preparedMade_.wait_for(lock, kPreparedListingWait, [&] {
    found = prepared_.find(sourcePath);
    return found == prepared_.end() || found->second.Stage == PreparedListing::Stage::kMade;
  });
  if (found == prepared_.end())
    return false;
  if (!made) {
    prepared_.erase(found);  // the job finds it gone and keeps nothing
    return false;
  }
  const bool young = std::chrono::steady_clock::now() - found->second.Made < kPreparedListingLife;
  if (young) {
    error = found->second.Error;
    listing = std::move(found->second.Listing);
  }
  prepared_.erase(found);
  return young;
}

void MountedTree::PrepareListings(const std::vector<std::string>& subdirectories) {
  for (const std::string& sourcePath : subdirectories) {
    uint64_t serial = 0;
    {
      const std::lock_guard lock(preparedMutex_);
      if (prepared_.size() >= kPreparedListings) {
        // Listings nobody took in time make room.
        const auto now = std::chrono::steady_clock::now();
        std::erase_if(prepared_, [&](const auto& item) {
          return item.second.Stage == PreparedListing::Stage::kMade &&
                 now - item.second.Made >= kPreparedListingLife;
        });
        if (prepared_.size() >= kPreparedListings)
          return;
      }
      const auto [entry, added] = prepared_.try_emplace(sourcePath);
      if (!added)
        continue;  // queued or made already
      entry->second.Serial = serial = ++preparedSerial_;
    }
    const bool queued = preparing_.Post([this, sourcePath, serial] {
      // The job works on its own entry only: one a program took over, and any queued after it,
      // are another's.
      const auto own = [&] {
        const auto found = prepared_.find(sourcePath);
        return found != prepared_.end() && found->second.Serial == serial ? found : prepared_.end();
      };
      {
        const std::lock_guard lock(preparedMutex_);
        const auto found = own();
        if (found == prepared_.end())
          return;  // taken over by a program that got there first
        found->second.Stage = PreparedListing::Stage::kMaking;
      }
      ShownListing listing;
      int error = 0;
      try {
        error = MakeListing(sourcePath, 1, listing);
      } catch (const std::exception&) {
        error = -EIO;
      }
      {
        const std::lock_guard lock(preparedMutex_);
        const auto found = own();
        if (found == prepared_.end())
          return;  // a program stopped waiting for it and made its own
        PreparedListing& prepared = found->second;
        prepared.Stage = PreparedListing::Stage::kMade;
        prepared.Error = error;
        prepared.Listing = std::move(listing);
        prepared.Made = std::chrono::steady_clock::now();
      }
      preparedMade_.notify_all();
    });
    if (!queued) {
      const std::lock_guard lock(preparedMutex_);
      prepared_.erase(sourcePath);
      return;
    }
  }
}

int MountedTree::List(std::string_view path, ShownEntries& entries) {
  Resolved resolved;
  if (const int error = Resolve(path, resolved); error != 0)
    return error;
  if (resolved.Entry.Kind != ShownKind::Directory)
    return -ENOTDIR;
  ShownListing listing;
  int error = 0;
  if (!TakePrepared(resolved.SourcePath, error, listing))
    error = MakeListing(resolved.SourcePath, Processors(), listing);
  if (error != 0)
    return error;
  // A program that lists a directory often goes on into its subdirectories (a walk, a file
  // manager): their listings are made meanwhile, on processor time nobody else wants.
  PrepareListings(listing.Subdirectories);
  entries = std::move(listing.Entries);
  return 0;
}

int MountedTree::Open(std::string_view path, std::shared_ptr<OpenedShownFile>& file) {
  Resolved resolved;
  if (const int error = Resolve(path, resolved); error != 0)
    return error;
  if (resolved.Entry.Kind == ShownKind::Directory)
    return -EISDIR;
  const OpenedFile opened = OpenFileBelow(source_, resolved.SourcePath);
  if (opened.handle < 0)
    return Failure(opened.error);
  file = std::make_shared<OpenedShownFile>(opened.handle, resolved.Entry.Kind,
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

PlainChunk MountedTree::ChunkOf(const OpenedShownFile& file, const PlainChunkKey& key,
                                int64_t length) {
  PlainChunk chunk = chunks_.FindOrClaim(key);
  if (chunk)
    return chunk;
  // The claim is ended whatever happens, so that no reader waits for the piece for ever.
  try {
    chunk = DecryptChunk(file.Handle, Decryptor(file.Method), key, length);
  } catch (...) {
    chunks_.Keep(key, nullptr);
    throw;
  }
  chunks_.Keep(key, chunk);
  return chunk;
}

void MountedTree::ReadAhead(const std::shared_ptr<OpenedShownFile>& file, int64_t offset,
                            int64_t end) {
  int64_t first = 0;
  int64_t last = 0;
  FileStatus state;
  int64_t length = 0;
  {
    const std::lock_guard lock(file->Mutex);
    // Requests of one pass through a file may arrive slightly out of order from the kernel's
    // threads; a read far from where the last one ended is a jump, and nothing is done ahead.
    // The first read of a file may be its only one (a program looking at how a file starts).
    const bool onward = file->NextOffset >= 0 && offset >= file->NextOffset - kChunkBytes &&
                        offset <= file->NextOffset + kChunkBytes;
    file->NextOffset = end;
    if (!onward)
      return;
    state = file->State;
    length = file->PlainLength;
    first = std::max((end - 1) / kChunkBytes + 1, file->AheadUntil);
    last = std::min((end - 1) / kChunkBytes + kAheadChunks, (length - 1) / kChunkBytes);
    if (first > last)
      return;
    file->AheadUntil = last + 1;
  }
  for (int64_t index = first; index <= last; ++index) {
    const PlainChunkKey key{state.Device,
                            state.Inode,
                            state.Size,
                            state.ModificationSeconds,
                            state.ModificationNanoseconds,
                            index};
    const bool queued = ahead_.Post([this, file, key, length] {
      if (!chunks_.ClaimIfAbsent(key))
        return;
      // A piece that fails is left to its reader, which reports why.
      PlainChunk chunk;
      try {
        chunk = DecryptChunk(file->Handle, Decryptor(file->Method), key, length);
      } catch (const std::exception&) {
        chunk = nullptr;
      }
      chunks_.Keep(key, std::move(chunk));
    });
    if (!queued) {
      // Asked again by a later read.
      const std::lock_guard lock(file->Mutex);
      file->AheadUntil = std::min(file->AheadUntil, index);
      return;
    }
  }
}

int64_t MountedTree::Read(const std::shared_ptr<OpenedShownFile>& shared, int64_t offset,
                          uint8_t* buffer, int64_t count) {
  OpenedShownFile& file = *shared;
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
        file.AheadUntil = 0;
      }
      state = file.State;
      length = file.PlainLength;
    }
    if (length < 0)
      return -EIO;
    if (offset >= length || count <= 0)
      return 0;
    const int64_t end = std::min(length, offset + count);
    ReadAhead(shared, offset, end);
    for (int64_t position = offset; position < end;) {
      const PlainChunkKey key{state.Device,
                              state.Inode,
                              state.Size,
                              state.ModificationSeconds,
                              state.ModificationNanoseconds,
                              position / kChunkBytes};
      const PlainChunk chunk = ChunkOf(file, key, length);
      if (!chunk)
        return -EIO;  // changed under the reader; the next read sees its new state
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

void MountedTree::Close(std::shared_ptr<OpenedShownFile>& file) {
  file.reset();
}

bool MountedTree::HoldsWholeBlocks(const std::string& directory, const ShownEntry& entry) {
  const FileStatus status = StatusOfEntryBelow(source_, JoinSource(directory, entry.SourceName));
  const int64_t block = CipherMethodFor(entry.Method).BlockSize;
  return status.Kind == FileKind::Regular && status.Size > 0 && status.Size % block == 0;
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
      else if (entry.Kind == ShownKind::EncryptedFile && sample.size() < limit &&
               HoldsWholeBlocks(directory, entry))
        sample.emplace_back(JoinSource(directory, entry.SourceName), entry.Method);
    }
  }
  return sample;
}

}  // namespace ostrel
