// Which copies of a directory are shown under which names, for each choice of versions, with
// equal stamps and a file that only versions keep.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tool/shown_versions.h"

namespace ostrel {
namespace {

using ::testing::ElementsAreArray;

ShownVersionCandidate Copy(const std::string& name, const std::string& stamped = {}, int day = 0,
                           int hour = 0) {
  ShownVersionCandidate candidate{name, stamped.empty() ? name : stamped, std::nullopt};
  if (day != 0) {
    NameTimeStamp stamp;
    stamp.Year = 2024;
    stamp.Month = 1;
    stamp.Day = day;
    stamp.Hour = hour;
    candidate.Stamp = stamp;
  }
  return candidate;
}

TEST(VersionSelection, ShowsTheCopiesEachChoiceAsksForUnderTheirNames) {
  const std::vector<ShownVersionCandidate> candidates = {
      Copy("notes.txt", "notes.d20240105-t000000.txt", 5),
      Copy("notes.txt"),
      Copy("notes.txt", "notes.d20240102-t000000.txt", 2),
      Copy("gone.txt", "gone.d20240103-t000000.txt", 3),
      Copy("gone.txt", "gone.d20240103-t090000.txt", 3, 9),
      Copy("tie.txt", "tie.d20240104-t000000.txt", 4),
      Copy("tie.txt", "tie.d20240104-t000000.txt", 4),
  };
  struct Case {
    VersionChoice Choice;
    std::vector<std::pair<std::size_t, std::string>> Shown;
  };
  const std::vector<Case> cases = {
      {VersionChoice::Current, {{1, "notes.txt"}}},
      // The newest stamp wins by its hour; equal newest stamps both come out, for the caller to
      // refuse, instead of one hiding the other.
      {VersionChoice::Latest, {{1, "notes.txt"}, {4, "gone.txt"}, {5, "tie.txt"}, {6, "tie.txt"}}},
      {VersionChoice::All,
       {{0, "notes.d20240105-t000000.txt"},
        {1, "notes.txt"},
        {2, "notes.d20240102-t000000.txt"},
        {3, "gone.d20240103-t000000.txt"},
        {4, "gone.d20240103-t090000.txt"},
        {5, "tie.d20240104-t000000.txt"},
        {6, "tie.d20240104-t000000.txt"}}},
  };
  for (const Case& test : cases) {
    std::vector<std::pair<std::size_t, std::string>> shown;
    for (const ShownCopy& copy : SelectShownVersions(candidates, test.Choice))
      shown.emplace_back(copy.Candidate, copy.Name);
    EXPECT_THAT(shown, ElementsAreArray(test.Shown)) << static_cast<int>(test.Choice);
  }
}

}  // namespace
}  // namespace ostrel
