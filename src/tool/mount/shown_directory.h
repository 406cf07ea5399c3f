// What one source directory looks like through a mount: its directories, its encrypted files
// under their decoded names (the planning of decrypt, versions chosen as asked) and, when asked,
// its plain files as they are. An entry that cannot be shown truthfully is left out and reported:
// a name that decodes to nothing, a time stamp naming a day that does not exist, and names that
// two entries would share, since showing one would hide the other.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "names/encryption_method.h"
#include "platform/directory_listing.h"
#include "tool/backup/version_selection.h"

namespace ostrel {

struct ShowSettings {
  VersionChoice Versions = VersionChoice::Current;
  bool ShowPlain = false;
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

// sourceName and why it is not shown.
using LeftOutReport = std::function<void(const std::string&, const std::string&)>;

// The entries to show, sorted by Name, from the listing of one source directory.
std::vector<ShownEntry> ShowDirectory(const std::vector<ListedEntry>& listed,
                                      const ShowSettings& settings, const LeftOutReport& leftOut);

// The entry named name in entries sorted by Name, or nothing.
const ShownEntry* FindShownEntry(const std::vector<ShownEntry>& entries, std::string_view name);

}  // namespace ostrel
