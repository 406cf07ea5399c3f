#include "tool/backup/version_selection.h"

#include <tuple>
#include <unordered_map>

namespace ostrel {
namespace {

auto StampOrder(const NameTimeStamp& stamp) {
  return std::make_tuple(stamp.Year, stamp.Month, stamp.Day, stamp.Hour, stamp.Minute,
                         stamp.Second);
}

// Per output name: whether a current copy exists, else the first of its newest versions.
struct NameHistory {
  bool HasCurrent = false;
  std::size_t Newest = 0;
  const NameTimeStamp* NewestStamp = nullptr;
};

}  // namespace

std::vector<VersionDecision> SelectVersions(const std::vector<VersionCandidate>& candidates,
                                            VersionChoice choice) {
  std::vector<VersionDecision> decisions(candidates.size());
  if (choice == VersionChoice::All)
    return decisions;
  std::unordered_map<std::string, NameHistory> histories;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    NameHistory& history = histories[candidates[i].OutputName];
    const NameTimeStamp* const stamp = candidates[i].Stamp;
    if (stamp == nullptr) {
      history.HasCurrent = true;
    } else if (history.NewestStamp == nullptr ||
               StampOrder(*history.NewestStamp) < StampOrder(*stamp)) {
      history.Newest = i;
      history.NewestStamp = stamp;
    }
  }
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const NameTimeStamp* const stamp = candidates[i].Stamp;
    if (stamp == nullptr)
      continue;
    const NameHistory& history = histories.at(candidates[i].OutputName);
    decisions[i].NewestWithoutCurrentCopy = !history.HasCurrent && history.Newest == i;
    if (choice == VersionChoice::Current) {
      decisions[i].Verdict = VersionVerdict::SkipEarlierVersion;
      continue;
    }
    if (history.HasCurrent || StampOrder(*stamp) < StampOrder(*history.NewestStamp))
      decisions[i].Verdict = VersionVerdict::SkipEarlierVersion;
    else if (history.Newest != i)
      decisions[i] = {VersionVerdict::SameStampAsAnother, history.Newest};
  }
  return decisions;
}

}  // namespace ostrel
