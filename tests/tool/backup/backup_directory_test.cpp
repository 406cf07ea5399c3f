// The backup model against the table of cases, and the choices that only some commands make:
// plain files taken as they are, every copy counted on its own, and the reasons that name the
// entry a refused one lost to.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backup_cases.h"
#include "tool/backup/backup_directory.h"

namespace ostrel::testing_support {
namespace {

using ::testing::HasSubstr;

std::vector<ListedName> Listed(const BackupCase& test) {
  std::vector<ListedName> listed;
  for (const std::string& file : test.Files)
    listed.push_back({file, FileKind::Regular});
  for (const std::string& directory : test.Directories)
    listed.push_back({directory, FileKind::Directory});
  for (const std::string& link : test.Links)
    listed.push_back({link, FileKind::SymbolicLink});
  return listed;
}

std::vector<ListedName> Files(const std::vector<std::string>& names) {
  std::vector<ListedName> listed;
  for (const std::string& name : names)
    listed.push_back({name, FileKind::Regular});
  return listed;
}

TEST(BackupDirectory, JudgesEveryCaseOfTheTable) {
  for (const BackupCase& test : BackupCases()) {
    SCOPED_TRACE(test.Title);
    const PathSelection selection(test.Includes, test.Excludes);
    const std::vector<BackupEntry> entries =
        ReadBackupDirectory(Listed(test), test.Choices, "", &selection);
    ASSERT_EQ(entries.size(), test.Entries.size());
    for (std::size_t index = 0; index < entries.size(); ++index) {
      const BackupEntry& entry = entries[index];
      const ExpectedEntry& expected = test.Entries[index];
      SCOPED_TRACE(expected.Source);
      EXPECT_EQ(entry.SourceName, expected.Source);
      EXPECT_EQ(entry.Verdict, expected.Verdict) << entry.Reason;
      if (IsTaken(expected.Verdict))
        EXPECT_EQ(entry.PlainName, expected.Name);
      else
        EXPECT_FALSE(entry.Reason.empty()) << "a verdict without its reason";
    }
  }
}

TEST(BackupDirectory, ReportsTheFactsOfEachNameAndWhichEntryARefusedOneLostTo) {
  const std::vector<BackupEntry> entries = ReadBackupDirectory(
      Files({"tie.d20240104-t000000.txt.s3.2crypt", "tie.d20240104-t000000.txt.2crypt",
             "part.bin.s5000.incomplete.2crypt", "report.doc.s3000.zip.1crypt"}),
      {VersionChoice::Latest, true, false, false});
  ASSERT_EQ(entries.size(), 4U);
  const BackupEntry& part = entries[0];
  EXPECT_TRUE(part.Incomplete);
  EXPECT_EQ(part.Verdict, EntryVerdict::Taken);
  EXPECT_THAT(part.Reason, HasSubstr("may be cut short"));
  EXPECT_EQ(part.PromisedPlainLength, std::nullopt) << "the size of the whole file, not this one";
  const BackupEntry& report = entries[1];
  EXPECT_TRUE(report.Archive);
  EXPECT_EQ(report.Method, EncryptionMethod::kTripleDes);
  EXPECT_EQ(report.PlainName, "report.doc.zip");
  const BackupEntry& refused = entries[3];
  EXPECT_EQ(refused.Verdict, EntryVerdict::RefusedSameStamp);
  EXPECT_EQ(refused.Other, 2U);
  EXPECT_EQ(refused.Reason,
            "a version with the same time stamp as tie.d20240104-t000000.txt.2crypt");
  ASSERT_TRUE(entries[2].Stamp);
  EXPECT_EQ(entries[2].Stamp->Day, 4);
  EXPECT_EQ(entries[2].FileName, "tie.txt");
}

TEST(BackupDirectory, PlainFilesAreTakenWhenAskedAndEveryCopyCountsForChecks) {
  BackupChoices plain;
  plain.PlainFiles = true;
  std::vector<BackupEntry> entries =
      ReadBackupDirectory(Files({"a.txt", "a.txt.2crypt", "x.5crypt"}), plain);
  ASSERT_EQ(entries.size(), 3U);
  EXPECT_EQ(entries[0].Verdict, EntryVerdict::Taken);
  EXPECT_FALSE(entries[0].Encrypted);
  EXPECT_EQ(entries[1].Verdict, EntryVerdict::RefusedSharedName) << "the plain a.txt has the name";
  EXPECT_EQ(entries[2].Verdict, EntryVerdict::Taken);
  EXPECT_EQ(entries[2].PlainName, "x.5crypt");

  // Checking files: versions and names shared do not matter, incomplete transfers still do.
  BackupChoices every;
  every.EveryCopy = true;
  entries = ReadBackupDirectory(Files({"a.txt.2crypt", "a.txt.s3.2crypt",
                                       "a.d20240101-t000000.txt.2crypt", "b.s9.incomplete.2crypt"}),
                                every);
  ASSERT_EQ(entries.size(), 4U);
  for (std::size_t index = 0; index < 3; ++index)
    EXPECT_EQ(entries[index].Verdict, EntryVerdict::Taken) << entries[index].SourceName;
  EXPECT_EQ(entries[3].Verdict, EntryVerdict::SkippedIncomplete);
}

}  // namespace
}  // namespace ostrel::testing_support
