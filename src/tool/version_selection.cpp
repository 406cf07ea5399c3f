#include "tool/version_selection.h"

#include <tuple>
#include <unordered_map>

namespace ostrel {
namespace {

auto StampOrder(const NameTimeStamp& stamp) {
  return std::make_tuple(stamp.Year, stamp.Month, stamp.Day, stamp.Hour, stamp.Minute,
                         stamp.Second);
}

}  // namespace

std::vector<VersionDecision> SelectVersions(const std::vector<VersionCandidate>& candidates,
                                            VersionChoice choice) {
  std::vector<VersionDecision> decisions(candidates.size());
  if (choice == VersionChoice::All)
    return decisions;
  if (choice == VersionChoice::Current) {
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      if (candidates[i].Stamp != nullptr)
        decisions[i].Verdict = VersionVerdict::SkipEarlierVersion;
    }
    return decisions;
  }
  // Latest: per output name the current copy, else the version with the newest stamp.
  std::unordered_map<std::string, std::size_t> best;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const auto [slot, fresh] = best.emplace(candidates[i].OutputName, i);
    if (fresh)
      continue;
    const VersionCandidate& held = candidates[slot->second];
    const VersionCandidate& next = candidates[i];
    if (held.Stamp == nullptr)
      continue;
    if (next.Stamp == nullptr || StampOrder(*next.Stamp) > StampOrder(*held.Stamp))
      slot->second = i;
  }
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const std::size_t taken = best.at(candidates[i].OutputName);
    if (taken == i)
      continue;
    const NameTimeStamp* const mine = candidates[i].Stamp;
    const NameTimeStamp* const theirs = candidates[taken].Stamp;
    if (mine != nullptr && theirs != nullptr && StampOrder(*mine) == StampOrder(*theirs)) {
      decisions[i] = {VersionVerdict::SameStampAsAnother, taken};
    } else {
      decisions[i].Verdict = VersionVerdict::SkipEarlierVersion;
    }
  }
  return decisions;
}

}  // namespace ostrel
