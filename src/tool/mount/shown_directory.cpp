#include "tool/mount/shown_directory.h"

#include <algorithm>

#include "tool/backup/output_times.h"

namespace ostrel {

std::vector<ShownEntry> ShowDirectory(const std::vector<DirectoryEntry>& listed,
                                      const ShowSettings& settings, const LeftOutReport& leftOut) {
  std::vector<ListedName> names;
  names.reserve(listed.size());
  for (const DirectoryEntry& entry : listed)
    names.push_back({entry.Name, entry.Kind});
  BackupChoices choices;
  choices.Versions = settings.Versions;
  choices.IncludeIncomplete = settings.IncludeIncomplete;
  choices.PlainFiles = settings.ShowPlain;
  const std::vector<BackupEntry> judged = ReadBackupDirectory(names, choices);
  names = {};

  // The model's entries come sorted by source name: the listing, sorted alike, meets them in step.
  std::vector<const DirectoryEntry*> bySource;
  bySource.reserve(listed.size());
  for (const DirectoryEntry& entry : listed)
    bySource.push_back(&entry);
  std::sort(bySource.begin(), bySource.end(),
            [](const DirectoryEntry* a, const DirectoryEntry* b) { return a->Name < b->Name; });

  std::vector<ShownEntry> shown;
  for (std::size_t index = 0; index < judged.size(); ++index) {
    const BackupEntry& entry = judged[index];
    if (!IsTaken(entry.Verdict)) {
      leftOut(entry.SourceName, entry.Verdict, entry.Reason);
      continue;
    }
    const ShownKind kind = entry.Kind == FileKind::Directory ? ShownKind::Directory
                           : entry.Encrypted                 ? ShownKind::EncryptedFile
                                                             : ShownKind::PlainFile;
    std::optional<int64_t> stampSeconds;
    if (entry.Stamp)
      stampSeconds = StampSeconds(*entry.Stamp, false);
    shown.push_back({entry.PlainName, entry.SourceName, kind, entry.Method, bySource[index]->Inode,
                     stampSeconds});
  }
  std::sort(shown.begin(), shown.end(),
            [](const ShownEntry& a, const ShownEntry& b) { return a.Name < b.Name; });
  return shown;
}

const ShownEntry* FindShownEntry(const std::vector<ShownEntry>& entries, std::string_view name) {
  const auto found = std::lower_bound(
      entries.begin(), entries.end(), name,
      [](const ShownEntry& entry, std::string_view wanted) { return entry.Name < wanted; });
  if (found == entries.end() || found->Name != name)
    return nullptr;
  return &*found;
}

}  // namespace ostrel
