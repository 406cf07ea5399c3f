// What one directory of a backup means, decided in one place for every command: which entries are
// copies of one file, which copy is taken, what an archive, an incomplete transfer, a name that
// decodes to nothing or a day that does not exist means, and what a selection leaves out. Each
// entry gets a verdict with its reason; restore, verify, names and mount read the verdicts and
// never decide these things themselves.
//
// The policy, case by case:
// - a name without a cipher suffix (or with a method that selects none) is not encrypted: skipped,
//   or taken as it is where plain files are asked for;
// - a name that decodes to nothing, or whose time stamp names a day its month lacks: refused;
// - an incomplete transfer: skipped, unless incomplete transfers are asked for;
// - a name outside the selection (--include/--exclude): skipped;
// - versions: taken as the version choice says; of two versions of one file with one time stamp,
//   the first in name order is taken and the other refused, so that neither hides quietly;
// - two entries that would be shown or restored under one name: a directory keeps the name (a
//   file would hide a whole subtree), otherwise the first in name order; the others are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "names/encoded_name.h"
#include "names/encryption_method.h"
#include "platform/file_status.h"
#include "tool/backup/path_patterns.h"
#include "tool/backup/version_selection.h"

namespace ostrel {

enum class EntryVerdict {
  Taken,
  SkippedVersion,           // an earlier version, not taken under the version choice
  SkippedIncomplete,        // an incomplete transfer, not asked for
  SkippedExcluded,          // outside --include/--exclude
  SkippedNotEncrypted,      // no cipher suffix, or a method that selects no cipher
  SkippedNotRegular,        // a symbolic link or a special file: never followed nor shown
  RefusedDecodesToNothing,  // the suffixes are the whole name
  RefusedImpossibleDate,    // the time stamp names a day its month lacks
  RefusedSameStamp,         // a version with the time stamp of another taken one
  RefusedSharedName,        // another entry is taken under the same name
};

bool IsTaken(EntryVerdict verdict);
bool IsRefused(EntryVerdict verdict);

// A word a script can test ("version", "incomplete", "excluded", "no-cipher", "not-regular",
// "decodes-to-nothing", "impossible-date", "same-stamp", "shared-name"); empty for Taken.
const char* VerdictWord(EntryVerdict verdict);

// "no encryption detected" or "method N selects no cipher" for the methods that open nothing.
std::string NoCipherReason(EncryptionMethod method);

// What the commands choose about a backup directory.
struct BackupChoices {
  VersionChoice Versions = VersionChoice::Current;
  bool IncludeIncomplete = false;
  // Files that are not encrypted are taken as they are (a mount's --show-plain).
  bool PlainFiles = false;
  // Every encrypted copy counts on its own, whatever its version and whatever name it shares:
  // for checking files rather than restoring them.
  bool EveryCopy = false;
};

// One entry of a listed directory.
struct ListedName {
  std::string Name;
  FileKind Kind = FileKind::Regular;
};

struct BackupEntry {
  std::string SourceName;  // in the backup directory
  FileKind Kind = FileKind::Regular;
  EncryptionMethod Method = EncryptionMethod::kNone;
  bool Encrypted = false;  // the method selects a cipher
  // The name the entry is restored or shown under: the plain name, with ".zip" back for an
  // archive the synchronizer made, with the time stamp back in place under --versions all; a
  // directory's or a plain file's own name. Empty when the name decodes to nothing or fails.
  std::string PlainName;
  // The name every copy of the file shares: PlainName without the stamp.
  std::string FileName;
  std::optional<uint64_t> PlainSize;            // the name's size suffix
  std::optional<uint64_t> PromisedPlainLength;  // what the size suffix promises of the plain bytes
  std::optional<NameTimeStamp> Stamp;           // a version's time stamp
  bool Archive = false;                         // an archive the synchronizer made: ".zip" kept
  bool Incomplete = false;                      // a transfer that never finished
  // Skipped as a version, yet the newest copy of a file that has no current copy: the file
  // exists only as versions, and --versions latest would take this one.
  bool NewestOfOnlyVersions = false;
  EntryVerdict Verdict = EntryVerdict::Taken;
  std::string Reason;  // why it was not taken; for a taken incomplete transfer, the warning
  // For RefusedSameStamp and RefusedSharedName: the index of the entry that was taken.
  std::size_t Other = 0;
};

// What one name says, alone: method, names, marks, and the refusals and skips that need no other
// entry (not encrypted, decodes to nothing, impossible date). versions: whether the plain name
// keeps its stamp. Never raises.
BackupEntry DescribeBackupName(std::string_view name, FileKind kind, VersionChoice versions);

// The entries of one listed directory, sorted by source name, each with its verdict.
// relativeDirectory: the directory's "/"-separated path below the tree, which selection patterns
// match against (with the entry's PlainName). selection may be null: everything is selected.
std::vector<BackupEntry> ReadBackupDirectory(const std::vector<ListedName>& listed,
                                             const BackupChoices& choices,
                                             std::string_view relativeDirectory = {},
                                             const PathSelection* selection = nullptr);

}  // namespace ostrel
