// The decrypted view of a source tree that a mount serves, without the file-system interface that
// serves it: paths resolved through the shown names of each directory, attributes, listings and
// reads. Listings are kept until a directory is listed again, so that changes below the source
// show then. Plain lengths come from each file's final block, once per state of the file, the
// final blocks of a listing read on every core; reads decrypt only the pieces they touch, through
// a cache that all readers share, and a reader going through a file finds the pieces after its
// read decrypted ahead on the other cores.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cipher/block_cipher.h"
#include "tool/mount/background_jobs.h"
#include "tool/mount/mount_keys.h"
#include "tool/mount/mount_log.h"
#include "tool/mount/plain_chunk_cache.h"
#include "tool/mount/shown_directory.h"

namespace ostrel {

struct ShownAttributes {
  bool Directory = false;
  uint32_t Permissions = 0;  // never with a write bit
  uint32_t Owner = 0;        // the source's, so that its permission bits mean what they say
  uint32_t Group = 0;
  int64_t Size = 0;
  int64_t Seconds = 0;
  int64_t Nanoseconds = 0;
};

// A directory's entries as the kernel is given them: each name with its attributes.
using ShownEntries = std::vector<std::pair<std::string, ShownAttributes>>;

// A file opened through the mount: its handle, and what its state last said of its plain length.
class OpenedShownFile {
 public:
  OpenedShownFile(int handle, ShownKind kind, EncryptionMethod method, std::string sourcePath)
      : Handle(handle), Kind(kind), Method(method), SourcePath(std::move(sourcePath)) {}
  ~OpenedShownFile();
  OpenedShownFile(const OpenedShownFile&) = delete;
  OpenedShownFile& operator=(const OpenedShownFile&) = delete;

  const int Handle;
  const ShownKind Kind;
  const EncryptionMethod Method;
  const std::string SourcePath;
  std::mutex Mutex;  // guards what follows
  FileStatus State;  // State and PlainLength: renewed when the file changes
  int64_t PlainLength = -1;
  int64_t NextOffset = -1;  // where the last read ended; -1 before the first
  int64_t AheadUntil = 0;   // the pieces before this one are decrypted, or being decrypted, ahead
};

class MountedTree {
 public:
  // source: an open directory handle, the caller's, which must outlive the tree.
  MountedTree(int source, ShowSettings settings, MountLog& log);
  ~MountedTree();
  MountedTree(const MountedTree&) = delete;
  MountedTree& operator=(const MountedTree&) = delete;

  // The keys for what follows; before any attribute or read of an encrypted file. One cipher per
  // method is keyed from them and serves every thread for the life of the tree.
  void UseKeys(const MountKeys& keys);

  // Each returns 0 or a negated system error code, as a file system answers. Paths are the
  // mount's, "/"-separated, "/" for its root.
  int Attributes(std::string_view path, ShownAttributes& attributes);
  // Lists the directory afresh: changes below the source show from now on.
  int List(std::string_view path, ShownEntries& entries);
  // The file stays open while it is shared: work done ahead of its reader holds it too.
  int Open(std::string_view path, std::shared_ptr<OpenedShownFile>& file);
  // Bytes read (fewer only at the end), or a negated system error code.
  int64_t Read(const std::shared_ptr<OpenedShownFile>& file, int64_t offset, uint8_t* buffer,
               int64_t count);
  static void Close(std::shared_ptr<OpenedShownFile>& file);

  // Up to limit encrypted files as shown, directories in breadth-first order: the source-relative
  // path and the method of each, for trying the pass phrase before mounting. Only files of whole
  // blocks are taken, since an empty or truncated file cannot tell a wrong pass phrase.
  std::vector<std::pair<std::string, EncryptionMethod>> SampleEncryptedFiles(std::size_t limit);

 private:
  struct Listing {
    std::shared_ptr<const std::vector<ShownEntry>> Entries;
    std::vector<std::string> LeftOut;
    uint64_t LastUse = 0;
  };
  struct Resolved {
    std::string SourcePath;  // relative to the source; "" for its root
    ShownEntry Entry;
  };
  // A directory's entries as the kernel is given them, and the source paths of its
  // subdirectories.
  struct ShownListing {
    ShownEntries Entries;
    std::vector<std::string> Subdirectories;
  };
  // The listing of a subdirectory made in the background while its parent is being looked at, so
  // that a program going down the tree finds it made. Taken at most once, and only while it is
  // no older than the kernel keeps attributes.
  struct PreparedListing {
    enum class Stage { kQueued, kMaking, kMade } Stage = Stage::kQueued;
    uint64_t Serial = 0;  // tells the job that made it from one that lost it
    int Error = 0;
    ShownListing Listing;
    std::chrono::steady_clock::time_point Made;
  };
  struct LengthRecord {
    int64_t Size = 0;
    int64_t Seconds = 0;
    int64_t Nanoseconds = 0;
    int64_t PlainLength = -1;  // -1: the final block did not open
  };

  int Resolve(std::string_view path, Resolved& resolved);
  // Whether the encrypted file of the entry in directory holds one block or more, whole ones.
  bool HoldsWholeBlocks(const std::string& directory, const ShownEntry& entry);
  // Lists the directory afresh, reading the final blocks whose lengths are not known on up to
  // threads threads; 0 or a negated system error code.
  int MakeListing(const std::string& sourcePath, unsigned threads, ShownListing& listing);
  // The prepared listing of the directory, waiting while it is being made: false when there is
  // none, or none young enough (the caller then lists it itself).
  bool TakePrepared(const std::string& sourcePath, int& error, ShownListing& listing);
  // Queues the making of the subdirectories' listings, as far as the bound on them allows.
  void PrepareListings(const std::vector<std::string>& subdirectories);
  int ListingOf(const std::string& sourcePath, bool fresh,
                std::shared_ptr<const std::vector<ShownEntry>>& entries);
  // The plain length remembered for the file in the state status describes.
  std::optional<int64_t> KnownPlainLength(const FileStatus& status);
  // The plain length of the encrypted file open as handle, in the state status describes: -1 when
  // its final block does not open (logged once per state). Raises on read errors.
  int64_t PlainLengthOf(int handle, const std::string& sourcePath, EncryptionMethod method,
                        const FileStatus& status);
  // From the entry's current status; an encrypted file whose length is not known is opened as
  // name below the directory handle parent, at once when status is nothing.
  int AttributesOf(const Resolved& resolved, std::optional<FileStatus> status, int parent,
                   const std::string& name, ShownAttributes& attributes);
  // Whether a plain length was read for the file, in any state.
  bool LengthRecorded(uint64_t device, uint64_t inode);
  const BlockCipher& Decryptor(EncryptionMethod method) const;
  // The plain piece key names of the file, whose plain length is length: from the cache, or
  // decrypted and kept there. Nothing when the file proved shorter than its state said.
  PlainChunk ChunkOf(const OpenedShownFile& file, const PlainChunkKey& key, int64_t length);
  // Queues the decryption of the pieces that follow a read ending at end, when the file is read
  // from start to end.
  void ReadAhead(const std::shared_ptr<OpenedShownFile>& file, int64_t offset, int64_t end);

  const int source_;
  const ShowSettings settings_;
  MountLog& log_;
  // Triple-DES, then Rijndael; declared before the work that uses them, so that they end last.
  std::unique_ptr<BlockCipher> decryptors_[2];
  PlainChunkCache chunks_;
  BackgroundJobs ahead_;  // declared after the cache, which its jobs fill: stopped first
  std::mutex mutex_;      // guards what follows
  std::map<std::string, Listing> listings_;
  std::size_t cachedEntries_ = 0;  // in listings_
  uint64_t uses_ = 0;
  std::map<std::pair<uint64_t, uint64_t>, LengthRecord> lengths_;  // by device and inode
  // Guards prepared_ and preparedSerial_.
  std::mutex preparedMutex_;
  std::condition_variable preparedMade_;
  std::map<std::string, PreparedListing> prepared_;  // by source path
  uint64_t preparedSerial_ = 0;
  BackgroundJobs preparing_;  // declared last: its jobs use all of the above, and stop first
};

}  // namespace ostrel
