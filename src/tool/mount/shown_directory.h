// What one source directory looks like through a mount: the entries the backup model takes, by the
// same choices as a restore (versions, incomplete transfers, and plain files when asked), under
// the names a restore gives them. Every entry the model does not take is left out and reported
// with its reason.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "names/encryption_method.h"
#include "platform/directory_tree.h"
#include "tool/backup/backup_directory.h"

namespace ostrel {

struct ShowSettings {
  VersionChoice Versions = VersionChoice::Current;
  bool ShowPlain = false;
  bool IncludeIncomplete = false;
};

enum class ShownKind { Directory, EncryptedFile, PlainFile };

struct ShownEntry {
  std::string Name;        // in the mount
  std::string SourceName;  // in the source directory
  ShownKind Kind = ShownKind::PlainFile;
  EncryptionMethod Method = EncryptionMethod::kNone;  // of an encrypted file
  uint64_t SourceInode = 0;                           // when listed
  std::optional<int64_t> StampSeconds;                // the version stamp's time
};

// An entry not shown: its source name, the model's verdict and its reason.
using LeftOutReport =
    std::function<void(const std::string&, EntryVerdict verdict, const std::string&)>;

// The entries to show, sorted by Name, from the listing of one source directory.
std::vector<ShownEntry> ShowDirectory(const std::vector<DirectoryEntry>& listed,
                                      const ShowSettings& settings, const LeftOutReport& leftOut);

// The entry named name in entries sorted by Name, or nothing.
const ShownEntry* FindShownEntry(const std::vector<ShownEntry>& entries, std::string_view name);

}  // namespace ostrel
