// The decrypted view of a source tree that a mount serves, without the file-system interface that
// serves it: the interface a server of the same view uses too. Paths are the view's,
// "/"-separated, "/" for its root; each call returns 0 (or a count) or a negated error number
// (ENOENT, EIO, ...: see platform/error_numbers.h), and none raises: a failure anywhere below
// becomes an error code and a line in the log.
//
// Directories show what the backup model takes, by the choices of the mount (see
// shown_directory.h); plain lengths come from each file's final block, once per state of the file;
// reads decrypt only the pieces they touch.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cipher/block_cipher.h"
#include "tool/keys/cipher_keys.h"
#include "tool/mount/length_cache.h"
#include "tool/mount/listing_cache.h"
#include "tool/mount/mount_log.h"
#include "tool/mount/opened_shown_file.h"
#include "tool/mount/prepared_listings.h"
#include "tool/mount/read_ahead.h"
#include "tool/mount/shown_attributes.h"
#include "tool/mount/shown_directory.h"

namespace ostrel {

// Bytes of a decrypted piece, held for as long as the slice is: what a reader sends on as it is.
struct PlainSlice {
  PlainChunk Piece;
  std::size_t Offset = 0;
  std::size_t Count = 0;
};

// One copy of a file in its directory: the current copy or a version.
struct ShownVersion {
  std::string Name;        // as --versions all shows it: a version with its stamp in place
  std::string SourceName;  // in the source directory
  std::optional<int64_t> StampSeconds;  // a version's stamp; nothing for the current copy
  bool Shown = false;                   // shown in the directory under the mount's choices
};

class MountedTree {
 public:
  // source: an open directory handle, the caller's, which must outlive the tree.
  MountedTree(int source, ShowSettings settings, MountLog& log);
  // With planner in place of the backup model's plan of each directory: for tests.
  MountedTree(int source, ShowSettings settings, MountLog& log, DirectoryPlanner planner);
  ~MountedTree();
  MountedTree(const MountedTree&) = delete;
  MountedTree& operator=(const MountedTree&) = delete;

  // The keys for what follows; before any attribute or read of an encrypted file. Their cipher
  // per method serves every thread for the life of the tree; they must outlive its work.
  void UseKeys(const CipherKeys& keys);

  int Attributes(std::string_view path, ShownAttributes& attributes);
  // Lists the directory afresh: changes below the source show from now on.
  int List(std::string_view path, ShownEntries& entries);
  // The file stays open while it is shared: work done ahead of its reader holds it too.
  int Open(std::string_view path, std::shared_ptr<OpenedShownFile>& file);
  // Bytes read (fewer only at the end), or a negated error number.
  int64_t Read(const std::shared_ptr<OpenedShownFile>& file, int64_t offset, uint8_t* buffer,
               int64_t count);
  // As Read, the bytes left where the tree holds them, appended to slices: for a reader that sends
  // them on and needs no copy of its own.
  int64_t ReadSlices(const std::shared_ptr<OpenedShownFile>& file, int64_t offset, int64_t count,
                     std::vector<PlainSlice>& slices);
  static void Close(std::shared_ptr<OpenedShownFile>& file);

  // Every copy of the encrypted file at path in its directory, current copy and versions, in
  // source-name order, whatever the mount's choice of versions shows.
  int Versions(std::string_view path, std::vector<ShownVersion>& versions);
  // Opens the copy named versionName (a ShownVersion's Name) of the file at path.
  int OpenVersion(std::string_view path, std::string_view versionName,
                  std::shared_ptr<OpenedShownFile>& file);

  // Up to limit encrypted files as shown, directories in breadth-first order: the source-relative
  // path and the method of each, for trying the pass phrase before mounting. Only files of whole
  // blocks are taken, since an empty or truncated file cannot tell a wrong pass phrase.
  std::vector<std::pair<std::string, EncryptionMethod>> SampleEncryptedFiles(std::size_t limit);

 private:
  struct Resolved {
    std::string SourcePath;  // relative to the source; "" for its root
    ShownEntry Entry;
  };

  int Resolve(std::string_view path, Resolved& resolved);
  // Whether the encrypted file of the entry in directory holds one block or more, whole ones.
  bool HoldsWholeBlocks(const std::string& directory, const ShownEntry& entry);
  // Lists the directory afresh, reading the final blocks whose lengths are not known on up to
  // threads threads; 0 or a negated error number.
  int MakeListing(const std::string& sourcePath, unsigned threads, ShownListing& listing);
  // The plain length of the encrypted file open as handle, in the state status describes: -1 when
  // its final block does not open (logged once per state). Raises on read errors.
  int64_t PlainLengthOf(int handle, const std::string& sourcePath, EncryptionMethod method,
                        const FileStatus& status);
  // From the entry's current status; an encrypted file whose length is not known is opened as
  // name below the directory handle parent, at once when status is nothing.
  int AttributesOf(const Resolved& resolved, std::optional<FileStatus> status, int parent,
                   const std::string& name, ShownAttributes& attributes);
  int OpenResolved(const Resolved& resolved, std::shared_ptr<OpenedShownFile>& file);
  // The bytes of [offset, offset + count) as slices of pieces, in order: the count of bytes, or a
  // negated system error code.
  int64_t SliceEncrypted(const std::shared_ptr<OpenedShownFile>& file, int64_t offset,
                         int64_t count, std::vector<PlainSlice>& slices);
  int64_t SlicePlain(const std::shared_ptr<OpenedShownFile>& file, int64_t offset, int64_t count,
                     std::vector<PlainSlice>& slices);
  const BlockCipher& Decryptor(EncryptionMethod method) const;
  // Runs work, turning anything it raises into -EIO and a line in the log naming path.
  template <typename Result, typename Work>
  Result Guarded(std::string_view path, const Work& work);

  const int source_;
  const ShowSettings settings_;
  MountLog& log_;
  const CipherKeys* keys_ = nullptr;
  PlainLengthCache lengths_;
  ListingCache listings_;
  PlainPieces pieces_;
  PreparedListings prepared_;  // declared last: its jobs use all of the above, and stop first
};

}  // namespace ostrel
