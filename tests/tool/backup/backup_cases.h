// The cases of backup directories that every front end must judge alike: versions, equal stamps,
// archives, incomplete transfers, names that decode to nothing, impossible dates, files that are
// not encrypted, names two entries share, and selection. Each case lists every entry of one
// directory with the verdict the backup model gives it and, when taken, the name it is restored
// or shown under.
#pragma once

#include <string>
#include <vector>

#include "tool/backup/backup_directory.h"

namespace ostrel::testing_support {

struct ExpectedEntry {
  std::string Source;
  EntryVerdict Verdict = EntryVerdict::Taken;
  std::string Name;  // when taken
};

struct BackupCase {
  std::string Title;
  std::vector<std::string> Files;
  std::vector<std::string> Directories;
  std::vector<std::string> Links;  // symbolic links to the first file
  BackupChoices Choices;
  std::vector<std::string> Includes;
  std::vector<std::string> Excludes;
  std::vector<ExpectedEntry> Entries;  // every entry, in source-name order
};

inline BackupChoices Versions(VersionChoice versions) {
  BackupChoices choices;
  choices.Versions = versions;
  return choices;
}

inline std::vector<BackupCase> BackupCases() {
  using enum EntryVerdict;
  const std::vector<std::string> versioned = {
      "notes.txt.2crypt", "notes.d20240131-t120000.txt.2crypt", "gone.d20230101-t000000.txt.1crypt",
      "gone.d20230505-t101010.txt.2crypt"};
  const std::vector<std::string> tie = {"tie.d20240104-t000000.txt.2crypt",
                                        "tie.d20240104-t000000.txt.s3.2crypt"};
  BackupChoices incomplete;
  incomplete.IncludeIncomplete = true;
  return {
      {"current copies only",
       versioned,
       {},
       {},
       Versions(VersionChoice::Current),
       {},
       {},
       {{"gone.d20230101-t000000.txt.1crypt", SkippedVersion, ""},
        {"gone.d20230505-t101010.txt.2crypt", SkippedVersion, ""},
        {"notes.d20240131-t120000.txt.2crypt", SkippedVersion, ""},
        {"notes.txt.2crypt", Taken, "notes.txt"}}},
      {"the newest version of a file without a current copy",
       versioned,
       {},
       {},
       Versions(VersionChoice::Latest),
       {},
       {},
       {{"gone.d20230101-t000000.txt.1crypt", SkippedVersion, ""},
        {"gone.d20230505-t101010.txt.2crypt", Taken, "gone.txt"},
        {"notes.d20240131-t120000.txt.2crypt", SkippedVersion, ""},
        {"notes.txt.2crypt", Taken, "notes.txt"}}},
      {"every version under its stamped name, archives keeping their ending",
       {"notes.txt.2crypt", "notes.d20240131-t120000.txt.2crypt",
        "r.d20240101-t000000.doc.s5.zip.2crypt"},
       {},
       {},
       Versions(VersionChoice::All),
       {},
       {},
       {{"notes.d20240131-t120000.txt.2crypt", Taken, "notes.d20240131-t120000.txt"},
        {"notes.txt.2crypt", Taken, "notes.txt"},
        {"r.d20240101-t000000.doc.s5.zip.2crypt", Taken, "r.d20240101-t000000.doc.zip"}}},
      {"equal newest stamps: the first in name order, the other refused",
       tie,
       {},
       {},
       Versions(VersionChoice::Latest),
       {},
       {},
       {{"tie.d20240104-t000000.txt.2crypt", Taken, "tie.txt"},
        {"tie.d20240104-t000000.txt.s3.2crypt", RefusedSameStamp, ""}}},
      {"equal stamps under all: one stamped name for two entries",
       tie,
       {},
       {},
       Versions(VersionChoice::All),
       {},
       {},
       {{"tie.d20240104-t000000.txt.2crypt", Taken, "tie.d20240104-t000000.txt"},
        {"tie.d20240104-t000000.txt.s3.2crypt", RefusedSharedName, ""}}},
      {"archives: the file's own name decides, case and all",
       {"report.doc.s3000.zip.2crypt", "report.zip.2crypt", "a.ZIP.2crypt"},
       {},
       {},
       {},
       {},
       {},
       {{"a.ZIP.2crypt", Taken, "a.ZIP"},
        {"report.doc.s3000.zip.2crypt", Taken, "report.doc.zip"},
        {"report.zip.2crypt", Taken, "report.zip.zip"}}},
      {"an incomplete transfer is skipped",
       {"part.bin.s5000.incomplete.2crypt", "whole.bin.2crypt"},
       {},
       {},
       {},
       {},
       {},
       {{"part.bin.s5000.incomplete.2crypt", SkippedIncomplete, ""},
        {"whole.bin.2crypt", Taken, "whole.bin"}}},
      {"an incomplete transfer is taken when asked for",
       {"part.bin.s5000.incomplete.2crypt"},
       {},
       {},
       incomplete,
       {},
       {},
       {{"part.bin.s5000.incomplete.2crypt", Taken, "part.bin"}}},
      {"names that decode to nothing and days that do not exist are refused",
       {".2crypt", ".d20240131-t120000.2crypt", "feb.d20230230-t000000.txt.2crypt",
        "ok.txt.2crypt"},
       {},
       {},
       Versions(VersionChoice::Latest),
       {},
       {},
       {{".2crypt", RefusedDecodesToNothing, ""},
        {".d20240131-t120000.2crypt", RefusedDecodesToNothing, ""},
        {"feb.d20230230-t000000.txt.2crypt", RefusedImpossibleDate, ""},
        {"ok.txt.2crypt", Taken, "ok.txt"}}},
      {"files that are not encrypted, and links, are passed over",
       {"y.txt.1crypt", "readme", "x.5crypt", "plain.d20230230-t000000.txt"},
       {},
       {"link.txt.2crypt"},
       {},
       {},
       {},
       {{"link.txt.2crypt", SkippedNotRegular, ""},
        {"plain.d20230230-t000000.txt", SkippedNotEncrypted, ""},
        {"readme", SkippedNotEncrypted, ""},
        {"x.5crypt", SkippedNotEncrypted, ""},
        {"y.txt.1crypt", Taken, "y.txt"}}},
      {"one name for two entries: a directory keeps it, else the first in name order",
       {"a.txt.2crypt", "a.txt.s3.2crypt", "sub.2crypt"},
       {"sub"},
       {},
       {},
       {},
       {},
       {{"a.txt.2crypt", Taken, "a.txt"},
        {"a.txt.s3.2crypt", RefusedSharedName, ""},
        {"sub", Taken, "sub"},
        {"sub.2crypt", RefusedSharedName, ""}}},
      {"selection on the restored name",
       {"a.txt.2crypt", "b.log.2crypt", "c.txt.2crypt"},
       {},
       {},
       {},
       {"*.txt"},
       {"c.*"},
       {{"a.txt.2crypt", Taken, "a.txt"},
        {"b.log.2crypt", SkippedExcluded, ""},
        {"c.txt.2crypt", SkippedExcluded, ""}}},
  };
}

}  // namespace ostrel::testing_support
