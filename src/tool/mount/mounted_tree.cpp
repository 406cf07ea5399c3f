#include "tool/mount/mounted_tree.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <exception>
#include <thread>

#include "cipher/ecb_random_access.h"
#include "cipher/handle_random_access.h"
#include "cipher/stream_errors.h"
#include "names/encryption_method.h"
#include "platform/directory_listing.h"
#include "platform/error_numbers.h"
#include "platform/file_handle.h"
#include "tool/backup/output_times.h"
#include "tool/mount/mount_paths.h"
#include "tool/run/thread_budget.h"

namespace ostrel {
namespace {

// Directories looked into for the sample of files that the pass phrase is tried on.
constexpr std::size_t kSampledDirectories = 1000;
// Files of a listing whose final blocks are worth another thread.
constexpr std::size_t kFinalBlocksPerThread = 16;

constexpr uint32_t kPermissionBits = 0777;

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

// What failed, for the log: the message of a standard exception, else that it was something else.
std::string FailureText(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "an unexpected failure";
  }
}

// The source name's file without its stamp: what every copy of the file shares.
std::string FileNameOfCopy(const std::string& sourceName) {
  return DescribeBackupName(sourceName, FileKind::Regular, VersionChoice::Current).FileName;
}

}  // namespace

MountedTree::MountedTree(int source, ShowSettings settings, MountLog& log)
    : MountedTree(
          source, settings, log,
          [settings](const std::vector<DirectoryEntry>& listed, const LeftOutReport& leftOut) {
            return ShowDirectory(listed, settings, leftOut);
          }) {}

MountedTree::MountedTree(int source, ShowSettings settings, MountLog& log, DirectoryPlanner planner)
    : source_(source),
      settings_(settings),
      log_(log),
      listings_(source, std::move(planner), log),
      pieces_(PlanMountThreads().ReadAhead),
      prepared_(PlanMountThreads().ListingsAhead, [this](const std::string& sourcePath,
                                                         ShownListing& listing) {
        return Guarded<int>(sourcePath, [&] { return MakeListing(sourcePath, 1, listing); });
      }) {}

MountedTree::~MountedTree() = default;

template <typename Result, typename Work>
Result MountedTree::Guarded(std::string_view path, const Work& work) {
  try {
    return work();
  } catch (...) {
    // The log itself may fail (no memory): the caller still gets its error code.
    try {
      log_.Note(std::string(path) + ": " + FailureText(std::current_exception()));
    } catch (...) {
    }
  }
  return -EIO;
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
    SharedShownEntries entries;
    if (const int error = listings_.Entries(resolved.SourcePath, false, entries); error != 0)
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

void MountedTree::UseKeys(const CipherKeys& keys) {
  keys_ = &keys;
}

const BlockCipher& MountedTree::Decryptor(EncryptionMethod method) const {
  return keys_->CipherFor(method, false);
}

int64_t MountedTree::PlainLengthOf(int handle, const std::string& sourcePath,
                                   EncryptionMethod method, const FileStatus& status) {
  if (const std::optional<int64_t> known = lengths_.Known(status))
    return *known;
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
  lengths_.Remember(status, length);
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
      return MountFailure(file->Error());
    status = StatusOfHandle(file->Handle());
  }
  if (status->Error != 0)
    return MountFailure(status->Error);
  const bool directory = resolved.Entry.Kind == ShownKind::Directory;
  if (status->Kind != (directory ? FileKind::Directory : FileKind::Regular))
    return -ENOENT;  // replaced by something else since it was listed
  attributes.Directory = directory;
  attributes.Permissions = status->Permissions & kPermissionBits;
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
  if (const std::optional<int64_t> known = lengths_.Known(*status)) {
    attributes.Size = std::max<int64_t>(0, *known);
    return 0;
  }
  if (!file) {
    file.emplace(OpenFileBelow(parent, name));
    if (file->Handle() < 0)
      return MountFailure(file->Error());
  }
  // A file that does not open shows as empty; opening it fails.
  // The state of the file as opened: the plain length is remembered for that state.
  const FileStatus opened = openedFirst ? *status : StatusOfHandle(file->Handle());
  attributes.Size = std::max<int64_t>(
      0, PlainLengthOf(file->Handle(), resolved.SourcePath, resolved.Entry.Method, opened));
  return 0;
}

int MountedTree::Attributes(std::string_view path, ShownAttributes& attributes) {
  return Guarded<int>(path, [&] {
    Resolved resolved;
    if (const int error = Resolve(path, resolved); error != 0)
      return error;
    return AttributesOf(resolved, StatusOfEntryBelow(source_, resolved.SourcePath), source_,
                        resolved.SourcePath, attributes);
  });
}

int MountedTree::MakeListing(const std::string& sourcePath, unsigned threads,
                             ShownListing& listing) {
  SharedShownEntries entries;
  if (const int error = listings_.Entries(sourcePath, true, entries); error != 0)
    return error;
  // Entries are looked up by name from the directory: one name per look-up, not the whole path.
  const ClosingHandle directory(OpenDirectoryBelow(source_, sourcePath));
  if (directory.Handle() < 0)
    return MountFailure(directory.Error());
  const uint64_t device = StatusOfHandle(directory.Handle()).Device;
  // Encrypted files whose final blocks were never read (by the inode the listing gives) are
  // opened at once, without a status of their names first.
  std::vector<bool> neverRead(entries->size());
  std::size_t unknownLengths = 0;
  for (std::size_t index = 0; index < entries->size(); ++index) {
    const ShownEntry& entry = (*entries)[index];
    if (entry.Kind == ShownKind::EncryptedFile && !lengths_.Recorded(device, entry.SourceInode)) {
      neverRead[index] = true;
      ++unknownLengths;
    }
  }
  // A first listing waits on a final block per file: they are read on every core.
  std::vector<std::optional<ShownAttributes>> shown(entries->size());
  RunOnThreads(entries->size(),
               static_cast<unsigned>(
                   std::min<std::size_t>(threads, 1 + unknownLengths / kFinalBlocksPerThread)),
               [&](std::size_t index) {
                 const ShownEntry& entry = (*entries)[index];
                 const Resolved child{JoinSource(sourcePath, entry.SourceName), entry};
                 ShownAttributes attributes;
                 const int result = Guarded<int>(child.SourcePath, [&] {
                   std::optional<FileStatus> status;
                   if (!neverRead[index])
                     status = StatusOfEntry(directory.Handle(), entry.SourceName);
                   return AttributesOf(child, status, directory.Handle(), entry.SourceName,
                                       attributes);
                 });
                 if (result == 0)
                   shown[index] = attributes;
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

int MountedTree::List(std::string_view path, ShownEntries& entries) {
  return Guarded<int>(path, [&] {
    Resolved resolved;
    if (const int error = Resolve(path, resolved); error != 0)
      return error;
    if (resolved.Entry.Kind != ShownKind::Directory)
      return -ENOTDIR;
    ShownListing listing;
    int error = 0;
    if (!prepared_.Take(resolved.SourcePath, error, listing))
      error = MakeListing(resolved.SourcePath, PlanMountThreads().PerListing, listing);
    if (error != 0)
      return error;
    // A program that lists a directory often goes on into its subdirectories (a walk, a file
    // manager): their listings are made meanwhile, on processor time nobody else wants.
    prepared_.Prepare(listing.Subdirectories);
    entries = std::move(listing.Entries);
    return 0;
  });
}

int MountedTree::OpenResolved(const Resolved& resolved, std::shared_ptr<OpenedShownFile>& file) {
  if (resolved.Entry.Kind == ShownKind::Directory)
    return -EISDIR;
  const OpenedFile opened = OpenFileBelow(source_, resolved.SourcePath);
  if (opened.handle < 0)
    return MountFailure(opened.error);
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

int MountedTree::Open(std::string_view path, std::shared_ptr<OpenedShownFile>& file) {
  return Guarded<int>(path, [&] {
    Resolved resolved;
    if (const int error = Resolve(path, resolved); error != 0)
      return error;
    return OpenResolved(resolved, file);
  });
}

int64_t MountedTree::SliceEncrypted(const std::shared_ptr<OpenedShownFile>& shared, int64_t offset,
                                    int64_t count, std::vector<PlainSlice>& slices) {
  OpenedShownFile& file = *shared;
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
  const BlockCipher& cipher = Decryptor(file.Method);
  pieces_.ReadAhead(shared, cipher, offset, end);
  for (int64_t position = offset; position < end;) {
    const int64_t index = position / PlainPieces::kPieceBytes;
    PlainChunk piece = pieces_.Piece(file, cipher, state, index, length);
    if (!piece)
      return -EIO;  // changed under the reader; the next read sees its new state
    const int64_t skip = position - index * PlainPieces::kPieceBytes;
    const int64_t take =
        std::min<int64_t>(end - position, static_cast<int64_t>(piece->size()) - skip);
    slices.push_back(
        {std::move(piece), static_cast<std::size_t>(skip), static_cast<std::size_t>(take)});
    position += take;
  }
  return end - offset;
}

int64_t MountedTree::SlicePlain(const std::shared_ptr<OpenedShownFile>& file, int64_t offset,
                                int64_t count, std::vector<PlainSlice>& slices) {
  int64_t arrived = 0;
  while (arrived < count) {
    const std::shared_ptr<PlainBytes> piece = pieces_.NewPiece(
        static_cast<std::size_t>(std::min<int64_t>(count - arrived, PlainPieces::kPieceBytes)));
    const FileTransfer moved = ReadFromFileAt(file->Handle, offset + arrived, piece->data(),
                                              static_cast<int32_t>(piece->size()));
    if (moved.Error != 0)
      return -moved.Error;
    if (moved.Bytes <= 0)
      break;
    slices.push_back({piece, 0, static_cast<std::size_t>(moved.Bytes)});
    arrived += moved.Bytes;
  }
  return arrived;
}

int64_t MountedTree::ReadSlices(const std::shared_ptr<OpenedShownFile>& file, int64_t offset,
                                int64_t count, std::vector<PlainSlice>& slices) {
  const std::size_t before = slices.size();
  const auto result = Guarded<int64_t>(file->SourcePath, [&]() -> int64_t {
    if (file->Kind != ShownKind::EncryptedFile)
      return SlicePlain(file, offset, count, slices);
    try {
      return SliceEncrypted(file, offset, count, slices);
    } catch (const EFinalBlockRejected&) {
      log_.Note(file->SourcePath + ": wrong pass phrase or damaged file; read refused");
      return -EIO;
    }
  });
  // A failed read hands over nothing, whatever it had gathered.
  if (result < 0)
    slices.erase(slices.begin() + static_cast<std::ptrdiff_t>(before), slices.end());
  return result;
}

int64_t MountedTree::Read(const std::shared_ptr<OpenedShownFile>& file, int64_t offset,
                          uint8_t* buffer, int64_t count) {
  if (file->Kind != ShownKind::EncryptedFile) {
    const FileTransfer moved = ReadFromFileAt(
        file->Handle, offset, buffer, static_cast<int32_t>(std::min<int64_t>(count, 1 << 30)));
    return moved.Error != 0 ? -ErrorNumberOf(moved.Error) : moved.Bytes;
  }
  std::vector<PlainSlice> slices;
  const int64_t result = ReadSlices(file, offset, count, slices);
  uint8_t* target = buffer;
  for (const PlainSlice& slice : slices) {
    std::memcpy(target, slice.Piece->data() + slice.Offset, slice.Count);
    target += slice.Count;
  }
  return result;
}

void MountedTree::Close(std::shared_ptr<OpenedShownFile>& file) {
  file.reset();
}

int MountedTree::Versions(std::string_view path, std::vector<ShownVersion>& versions) {
  return Guarded<int>(path, [&] {
    Resolved resolved;
    if (const int error = Resolve(path, resolved); error != 0)
      return error;
    if (resolved.Entry.Kind != ShownKind::EncryptedFile)
      return -EINVAL;
    const std::string directory = ParentOfSource(resolved.SourcePath);
    std::vector<DirectoryEntry> listed;
    if (const int error = ListSourceDirectory(source_, directory, listed); error != 0)
      return MountFailure(error);
    std::vector<ListedName> names;
    names.reserve(listed.size());
    for (const DirectoryEntry& entry : listed)
      names.push_back({entry.Name, entry.Kind});
    BackupChoices every;
    every.Versions = VersionChoice::All;
    every.IncludeIncomplete = settings_.IncludeIncomplete;
    const std::string fileName = FileNameOfCopy(resolved.Entry.SourceName);
    SharedShownEntries shown;
    if (const int error = listings_.Entries(directory, false, shown); error != 0)
      return error;
    versions.clear();
    for (const BackupEntry& entry : ReadBackupDirectory(names, every)) {
      if (!IsTaken(entry.Verdict) || !entry.Encrypted || entry.FileName != fileName)
        continue;
      ShownVersion version{entry.PlainName, entry.SourceName, std::nullopt, false};
      if (entry.Stamp)
        version.StampSeconds = StampSeconds(*entry.Stamp, false);
      version.Shown = std::any_of(shown->begin(), shown->end(), [&](const ShownEntry& candidate) {
        return candidate.SourceName == entry.SourceName;
      });
      versions.push_back(std::move(version));
    }
    return 0;
  });
}

int MountedTree::OpenVersion(std::string_view path, std::string_view versionName,
                             std::shared_ptr<OpenedShownFile>& file) {
  std::vector<ShownVersion> versions;
  if (const int error = Versions(path, versions); error != 0)
    return error;
  return Guarded<int>(path, [&] {
    Resolved resolved;
    if (const int error = Resolve(path, resolved); error != 0)
      return error;
    for (const ShownVersion& version : versions) {
      if (version.Name != versionName)
        continue;
      resolved.SourcePath = JoinSource(ParentOfSource(resolved.SourcePath), version.SourceName);
      resolved.Entry.SourceName = version.SourceName;
      resolved.Entry.Method =
          DescribeBackupName(version.SourceName, FileKind::Regular, VersionChoice::All).Method;
      return OpenResolved(resolved, file);
    }
    return -ENOENT;
  });
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
    SharedShownEntries entries;
    // A directory that cannot be planned is left out of the sample, not the mount.
    if (Guarded<int>(directory, [&] { return listings_.Entries(directory, false, entries); }) != 0)
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
