#include "names/request_plan.h"

#include <gtest/gtest.h>

#include "errors/exceptions.h"

namespace ostrel {
namespace {

struct PlanCase {
  const char* path;
  DecryptOutcome outcome;
  int method;          // its digit, as the name writes it
  const char* output;  // only checked for Run
};

void ExpectPlans(PathStyle style, std::initializer_list<PlanCase> cases) {
  for (const PlanCase& c : cases) {
    SCOPED_TRACE(c.path);
    const DecryptPlanning planning = PlanDecryptRequest(c.path, style);
    EXPECT_EQ(planning.Outcome, c.outcome);
    EXPECT_EQ(planning.Plan.InputPath, c.path);
    EXPECT_FALSE(planning.Plan.Encrypt);
    if (c.outcome == DecryptOutcome::Run) {
      EXPECT_EQ(MethodNumber(planning.Plan.Method), c.method);
      EXPECT_EQ(planning.Plan.OutputPath, c.output);
    }
  }
}

TEST(DecryptPlanning, DesktopPathsDecodeBesideTheInput) {
  ExpectPlans(
      PathStyle::Windows,
      {
          {"C:\\x\\report.doc.2crypt", DecryptOutcome::Run, 2, "C:\\x\\report.doc"},
          {"C:\\x\\report.doc.s1500.zip.2crypt", DecryptOutcome::Run, 2, "C:\\x\\report.doc.zip"},
          {"C:\\x\\report.doc.zip.2crypt", DecryptOutcome::Run, 2, "C:\\x\\report.doc.zip.zip"},
          // The ".zip." test looks at the whole path, directories included...
          {"C:\\backup.zip.old\\a.2crypt", DecryptOutcome::Run, 2, "C:\\backup.zip.old\\a.zip"},
          // ...and is case-sensitive.
          {"C:\\x\\a.ZIP.2crypt", DecryptOutcome::Run, 2, "C:\\x\\a.ZIP"},
          {"C:\\x\\a.9crypt", DecryptOutcome::Run, 1, "C:\\x\\a"},
          {"C:\\x\\a.1crypt", DecryptOutcome::Run, 1, "C:\\x\\a"},
          {"a.2crypt", DecryptOutcome::Run, 2, "a"},
          {"C:\\x\\..\\y\\a.2crypt", DecryptOutcome::Run, 2, "C:\\y\\a"},
          {"C:\\a.2crypt", DecryptOutcome::Run, 2, "C:\\a"},
          // The root of the current drive stays a root, never the network path "\\a".
          {"\\a.2crypt", DecryptOutcome::Run, 2, "\\a"},
          {"\\a.s1500.zip.2crypt", DecryptOutcome::Run, 2, "\\a.zip"},
          // A drive's current directory stays that directory, not the drive's root.
          {"C:a.2crypt", DecryptOutcome::Run, 2, "C:a"},
          {"d:a.d20240131-t120000.txt.1crypt", DecryptOutcome::Run, 1, "d:a.txt"},
          // A relative directory stays relative however its ".." segments cancel: neither the
          // current drive's root nor another drive.
          {"sub\\..\\x.2crypt", DecryptOutcome::Run, 2, "x"},
          {"D:sub\\..\\x.2crypt", DecryptOutcome::Run, 2, "D:x"},
          {"a\\..\\b\\x.2crypt", DecryptOutcome::Run, 2, "b\\x"},
          {"D:a\\..\\b\\x.2crypt", DecryptOutcome::Run, 2, "D:b\\x"},
          {"a\\..\\..\\x.2crypt", DecryptOutcome::Run, 2, "..\\x"},
          {"a/../b\\x.2crypt", DecryptOutcome::Run, 2, "b/x"},
          {"C:\\sub\\..\\x.2crypt", DecryptOutcome::Run, 2, "C:\\x"},
          {"\\sub\\..\\x.2crypt", DecryptOutcome::Run, 2, "\\x"},
          {"\\\\srv\\share\\a.2crypt", DecryptOutcome::Run, 2, "\\\\srv\\share\\a"},
          {"C:\\data\\a.2crypt", DecryptOutcome::Run, 2, "C:\\data\\a"},
          {"C:\\x\\a.3crypt", DecryptOutcome::NoCipher, 0, ""},
          {"C:\\x\\a.7crypt", DecryptOutcome::NoCipher, 0, ""},
          {"C:\\x\\a.8crypt", DecryptOutcome::NoEncryption, 0, ""},
          {"C:\\x\\a.txt", DecryptOutcome::NoEncryption, 0, ""},
          {"/E", DecryptOutcome::NoEncryption, 0, ""},
          {"", DecryptOutcome::NoEncryption, 0, ""},
      });
}

TEST(DecryptPlanning, HostPathsDecodeBesideTheInput) {
  ExpectPlans(PathStyle::Posix,
              {
                  {"/x/report.doc.2crypt", DecryptOutcome::Run, 2, "/x/report.doc"},
                  {"/x/../y/a.2crypt", DecryptOutcome::Run, 2, "/y/a"},
                  {"/x//y/a.1crypt", DecryptOutcome::Run, 1, "/x/y/a"},
                  {"/a.2crypt", DecryptOutcome::Run, 2, "/a"},
                  {"//srv/x/a.2crypt", DecryptOutcome::Run, 2, "//srv/x/a"},
                  {"a.2crypt", DecryptOutcome::Run, 2, "a"},
                  {"dir/a.s1500.zip.2crypt", DecryptOutcome::Run, 2, "dir/a.zip"},
                  {"/x/a.5crypt", DecryptOutcome::NoCipher, 0, ""},
                  {"/E", DecryptOutcome::NoEncryption, 0, ""},
              });
  // "\" and ":" are ordinary characters of a name on a host that spells paths with "/" alone
  // (a Windows host decodes names by its own separators).
  if constexpr (kHostPathStyle == PathStyle::Posix)
    ExpectPlans(PathStyle::Posix, {{"/x/C:\\a.2crypt", DecryptOutcome::Run, 2, "/x/C:\\a"}});
}

// Names that are not valid UTF-8 must come back as their own bytes, or the output would land
// under another name.
TEST(DecryptPlanning, KeepsBytesThatAreNotUtf8) {
  const DecryptPlanning planning =
      PlanDecryptRequest("/x/caf\xE9\xFF.txt.2crypt", PathStyle::Posix);
  EXPECT_EQ(planning.Outcome, DecryptOutcome::Run);
  EXPECT_EQ(planning.Plan.OutputPath, "/x/caf\xE9\xFF.txt");
}

TEST(DecryptPlanning, ADayTheMonthLacksIsAnError) {
  try {
    PlanDecryptRequest("x.d20230230-t120000.txt.2crypt", PathStyle::Posix);
    FAIL() << "no error";
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "''2023/2/30 12:0:0.0'' is not a valid date and time");
  }
}

TEST(EncryptPlanning, AppendsTheSuffixAndNothingElse) {
  for (const char* path : {"C:\\x\\a.txt", "a.txt.2crypt", "/x/../a", ""}) {
    const RequestPlan plan = PlanEncryptRequest(path);
    EXPECT_EQ(plan.Method, EncryptionMethod::kRijndael);
    EXPECT_TRUE(plan.Encrypt);
    EXPECT_EQ(plan.InputPath, path);
    EXPECT_EQ(plan.OutputPath, std::string(path) + ".2crypt");
  }
}

}  // namespace
}  // namespace ostrel
