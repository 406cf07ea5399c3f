#include "tool/backup/backup_directory.h"

#include <algorithm>
#include <map>

#include "errors/exceptions.h"
#include "names/path_joining.h"
#include "names/request_plan.h"
#include "platform/text_conversion.h"

namespace ostrel {
namespace {

constexpr const char* kIncompleteWarning = "an incomplete transfer: the file may be cut short";

void Skip(BackupEntry& entry, EntryVerdict verdict, std::string reason) {
  entry.Verdict = verdict;
  entry.Reason = std::move(reason);
}

// Incomplete transfers and the selection: what the choices leave out of the taken files.
void SkipUnasked(std::vector<BackupEntry>& entries, const BackupChoices& choices,
                 std::string_view relativeDirectory, const PathSelection* selection) {
  for (BackupEntry& entry : entries) {
    if (entry.Verdict != EntryVerdict::Taken || entry.Kind == FileKind::Directory)
      continue;
    if (entry.Incomplete) {
      if (!choices.IncludeIncomplete) {
        Skip(entry, EntryVerdict::SkippedIncomplete, "an incomplete transfer");
        continue;
      }
      entry.Reason = kIncompleteWarning;
    }
    if (selection != nullptr && !selection->Empty() &&
        !selection->Selects(JoinPath(relativeDirectory, entry.PlainName, PathStyle::Posix)))
      Skip(entry, EntryVerdict::SkippedExcluded, "excluded by --include/--exclude");
  }
}

void ChooseVersions(std::vector<BackupEntry>& entries, VersionChoice choice) {
  // Under "all" every version keeps its stamp in its name: none is chosen over another.
  if (choice == VersionChoice::All)
    return;
  std::vector<std::size_t> taken;
  std::vector<VersionCandidate> candidates;
  for (std::size_t index = 0; index < entries.size(); ++index) {
    const BackupEntry& entry = entries[index];
    if (entry.Verdict != EntryVerdict::Taken || !entry.Encrypted)
      continue;
    taken.push_back(index);
    candidates.push_back({entry.FileName, entry.Stamp ? &*entry.Stamp : nullptr});
  }
  const std::vector<VersionDecision> decisions = SelectVersions(candidates, choice);
  for (std::size_t i = 0; i < taken.size(); ++i) {
    BackupEntry& entry = entries[taken[i]];
    switch (decisions[i].Verdict) {
      case VersionVerdict::Take:
        break;
      case VersionVerdict::SkipEarlierVersion:
        entry.NewestOfOnlyVersions = decisions[i].NewestWithoutCurrentCopy;
        Skip(entry, EntryVerdict::SkippedVersion,
             entry.NewestOfOnlyVersions ? "the newest version of a file without a current copy"
                                        : "an earlier version");
        break;
      case VersionVerdict::SameStampAsAnother:
        entry.Other = taken[decisions[i].Other];
        Skip(entry, EntryVerdict::RefusedSameStamp,
             "a version with the same time stamp as " + entries[entry.Other].SourceName);
        break;
    }
  }
}

// One taken entry per name: a directory keeps it, else the first in name order.
void RefuseSharedNames(std::vector<BackupEntry>& entries) {
  std::map<std::string_view, std::size_t> kept;  // by name: the entry that keeps it
  for (std::size_t index = 0; index < entries.size(); ++index) {
    const BackupEntry& entry = entries[index];
    if (entry.Verdict != EntryVerdict::Taken)
      continue;
    const auto [found, fresh] = kept.emplace(entry.PlainName, index);
    if (!fresh && entry.Kind == FileKind::Directory &&
        entries[found->second].Kind != FileKind::Directory)
      found->second = index;
  }
  for (std::size_t index = 0; index < entries.size(); ++index) {
    BackupEntry& entry = entries[index];
    if (entry.Verdict != EntryVerdict::Taken)
      continue;
    const std::size_t keeper = kept.at(entry.PlainName);
    if (keeper == index)
      continue;
    entry.Other = keeper;
    const BackupEntry& other = entries[keeper];
    Skip(entry, EntryVerdict::RefusedSharedName,
         other.Kind == FileKind::Directory
             ? "the directory " + other.SourceName + " has the same name"
             : "shares the name \"" + entry.PlainName + "\" with " + other.SourceName);
  }
}

}  // namespace

bool IsTaken(EntryVerdict verdict) {
  return verdict == EntryVerdict::Taken;
}

bool IsRefused(EntryVerdict verdict) {
  switch (verdict) {
    case EntryVerdict::RefusedDecodesToNothing:
    case EntryVerdict::RefusedImpossibleDate:
    case EntryVerdict::RefusedSameStamp:
    case EntryVerdict::RefusedSharedName:
      return true;
    default:
      return false;
  }
}

const char* VerdictWord(EntryVerdict verdict) {
  switch (verdict) {
    case EntryVerdict::Taken:
      return "";
    case EntryVerdict::SkippedVersion:
      return "version";
    case EntryVerdict::SkippedIncomplete:
      return "incomplete";
    case EntryVerdict::SkippedExcluded:
      return "excluded";
    case EntryVerdict::SkippedNotEncrypted:
      return "no-cipher";
    case EntryVerdict::SkippedNotRegular:
      return "not-regular";
    case EntryVerdict::RefusedDecodesToNothing:
      return "decodes-to-nothing";
    case EntryVerdict::RefusedImpossibleDate:
      return "impossible-date";
    case EntryVerdict::RefusedSameStamp:
      return "same-stamp";
    case EntryVerdict::RefusedSharedName:
      return "shared-name";
  }
  return "";
}

std::string NoCipherReason(EncryptionMethod method) {
  if (method == EncryptionMethod::kNone)
    return "no encryption detected";
  return "method " + std::to_string(MethodNumber(method)) + " selects no cipher";
}

BackupEntry DescribeBackupName(std::string_view name, FileKind kind, VersionChoice versions) {
  BackupEntry entry;
  entry.SourceName = name;
  entry.Kind = kind;
  if (kind == FileKind::Directory) {
    entry.PlainName = entry.FileName = entry.SourceName;
    return entry;
  }
  if (kind != FileKind::Regular) {
    Skip(entry, EntryVerdict::SkippedNotRegular, "not a regular file");
    return entry;
  }
  const std::u16string wide = WidenSystemText(name);
  // The method comes from the encryption suffix alone: a file without one is passed over whatever
  // the rest of its name says.
  entry.Method = EncodedMethod(wide);
  entry.Encrypted = SelectsCipher(entry.Method);
  if (!entry.Encrypted) {
    entry.PlainName = entry.FileName = entry.SourceName;
    Skip(entry, EntryVerdict::SkippedNotEncrypted, NoCipherReason(entry.Method));
    return entry;
  }
  DecodedFileName decoded;
  try {
    decoded = DecodeFileName(wide);
  } catch (const EConvertError& error) {
    Skip(entry, EntryVerdict::RefusedImpossibleDate, error.Message());
    return entry;
  }
  if (decoded.PlainName.empty()) {
    // The output would be the directory itself, or a file named by the archive rule alone.
    Skip(entry, EntryVerdict::RefusedDecodesToNothing, "the name decodes to nothing");
    return entry;
  }
  // Only the file's own name says that it holds an archive: a directory's name is no part of the
  // file, and a backup keeps its names however its root is spelled.
  entry.Archive = MarksArchive(name);
  const char* const archiveEnding = entry.Archive ? ".zip" : "";
  entry.FileName = NarrowSystemText(decoded.PlainName) + archiveEnding;
  // Under "all" a version keeps its stamp where the encoded name had it, so versions stay apart.
  entry.PlainName = versions == VersionChoice::All && decoded.TimeStamp
                        ? NarrowSystemText(PlainNameWithTimeStamp(decoded)) + archiveEnding
                        : entry.FileName;
  entry.PlainSize = decoded.PlainSize;
  entry.PromisedPlainLength = PromisedPlainLength(decoded);
  entry.Stamp = std::move(decoded.TimeStamp);
  entry.Incomplete = decoded.RemovedMarker == ArchiveMarker::Incomplete;
  return entry;
}

std::vector<BackupEntry> ReadBackupDirectory(const std::vector<ListedName>& listed,
                                             const BackupChoices& choices,
                                             std::string_view relativeDirectory,
                                             const PathSelection* selection) {
  std::vector<BackupEntry> entries;
  entries.reserve(listed.size());
  for (const ListedName& name : listed)
    entries.push_back(DescribeBackupName(name.Name, name.Kind, choices.Versions));
  // Name order decides which of two equal copies is taken, the same on every listing.
  std::sort(entries.begin(), entries.end(),
            [](const BackupEntry& a, const BackupEntry& b) { return a.SourceName < b.SourceName; });
  if (choices.PlainFiles) {
    for (BackupEntry& entry : entries) {
      if (entry.Verdict == EntryVerdict::SkippedNotEncrypted) {
        entry.Verdict = EntryVerdict::Taken;
        entry.Reason.clear();
      }
    }
  }
  SkipUnasked(entries, choices, relativeDirectory, selection);
  if (choices.EveryCopy)
    return entries;
  ChooseVersions(entries, choices.Versions);
  RefuseSharedNames(entries);
  return entries;
}

}  // namespace ostrel
