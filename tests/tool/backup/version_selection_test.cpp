// Which copies of one directory each choice of versions takes, for a restore and a mount alike:
// current copies, a file that only versions keep, the newest stamp decided by its hour, equal
// newest stamps, and two current copies of one name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tool/backup/version_selection.h"

namespace ostrel {
namespace {

using ::testing::ElementsAreArray;

NameTimeStamp Stamp(int day, int hour = 0) {
  NameTimeStamp stamp;
  stamp.Year = 2024;
  stamp.Month = 1;
  stamp.Day = day;
  stamp.Hour = hour;
  return stamp;
}

TEST(VersionSelection, TakesTheCopiesEachChoiceAsksForAndRefusesEqualNewestStamps) {
  const NameTimeStamp day2 = Stamp(2);
  const NameTimeStamp day3 = Stamp(3);
  const NameTimeStamp day3Later = Stamp(3, 9);
  const NameTimeStamp day4 = Stamp(4);
  const NameTimeStamp day5 = Stamp(5);
  const std::vector<VersionCandidate> candidates = {
      {"notes.txt", &day5},      // 0: newer than the current copy, still a version
      {"notes.txt", nullptr},    // 1
      {"notes.txt", &day2},      // 2
      {"gone.txt", &day3},       // 3
      {"gone.txt", &day3Later},  // 4: the same day, a later hour
      {"tie.txt", &day4},        // 5
      {"tie.txt", &day2},        // 6
      {"tie.txt", &day4},        // 7: the same stamp as 5
      {"twin.txt", nullptr},     // 8: two encodings of one current name
      {"twin.txt", nullptr},     // 9
  };
  constexpr auto kTake = VersionVerdict::Take;
  constexpr auto kSkip = VersionVerdict::SkipEarlierVersion;
  constexpr auto kSame = VersionVerdict::SameStampAsAnother;
  struct Case {
    VersionChoice Choice;
    std::vector<std::pair<VersionVerdict, std::size_t>> Decisions;  // verdict, other
  };
  const std::vector<Case> cases = {
      {VersionChoice::Current,
       {{kSkip, 0},
        {kTake, 0},
        {kSkip, 0},
        {kSkip, 0},
        {kSkip, 0},
        {kSkip, 0},
        {kSkip, 0},
        {kSkip, 0},
        {kTake, 0},
        {kTake, 0}}},
      // Both current copies of "twin.txt" are taken, for the caller's check of shared names to
      // refuse, rather than one passing as an earlier version of the other.
      {VersionChoice::Latest,
       {{kSkip, 0},
        {kTake, 0},
        {kSkip, 0},
        {kSkip, 0},
        {kTake, 0},
        {kTake, 0},
        {kSkip, 0},
        {kSame, 5},
        {kTake, 0},
        {kTake, 0}}},
      {VersionChoice::All,
       {{kTake, 0},
        {kTake, 0},
        {kTake, 0},
        {kTake, 0},
        {kTake, 0},
        {kTake, 0},
        {kTake, 0},
        {kTake, 0},
        {kTake, 0},
        {kTake, 0}}},
  };
  for (const Case& test : cases) {
    std::vector<std::pair<VersionVerdict, std::size_t>> decisions;
    for (const VersionDecision& decision : SelectVersions(candidates, test.Choice))
      decisions.emplace_back(decision.Verdict, decision.Other);
    EXPECT_THAT(decisions, ElementsAreArray(test.Decisions)) << static_cast<int>(test.Choice);
  }
}

}  // namespace
}  // namespace ostrel
