#include "tool/shown_versions.h"

#include <map>
#include <tuple>

namespace ostrel {
namespace {

auto Fields(const NameTimeStamp& stamp) {
  return std::tie(stamp.Year, stamp.Month, stamp.Day, stamp.Hour, stamp.Minute, stamp.Second);
}

// For each name, the newest stamp among its versions, and whether a current copy exists.
struct NameHistory {
  bool HasCurrent = false;
  const NameTimeStamp* Newest = nullptr;
};

}  // namespace

bool IsEarlierStamp(const NameTimeStamp& a, const NameTimeStamp& b) {
  return Fields(a) < Fields(b);
}

std::vector<ShownCopy> SelectShownVersions(const std::vector<ShownVersionCandidate>& candidates,
                                           VersionChoice choice) {
  std::map<std::string, NameHistory> histories;
  for (const ShownVersionCandidate& candidate : candidates) {
    NameHistory& history = histories[candidate.Name];
    if (!candidate.Stamp)
      history.HasCurrent = true;
    else if (history.Newest == nullptr || IsEarlierStamp(*history.Newest, *candidate.Stamp))
      history.Newest = &*candidate.Stamp;
  }
  std::vector<ShownCopy> shown;
  for (std::size_t index = 0; index < candidates.size(); ++index) {
    const ShownVersionCandidate& candidate = candidates[index];
    if (!candidate.Stamp) {
      shown.push_back({index, candidate.Name});
      continue;
    }
    switch (choice) {
      case VersionChoice::Current:
        break;
      case VersionChoice::Latest: {
        const NameHistory& history = histories[candidate.Name];
        // Equal newest stamps both come out, under one name, for the caller to refuse.
        if (!history.HasCurrent && !IsEarlierStamp(*candidate.Stamp, *history.Newest))
          shown.push_back({index, candidate.Name});
        break;
      }
      case VersionChoice::All:
        shown.push_back({index, candidate.StampedName});
        break;
    }
  }
  return shown;
}

}  // namespace ostrel
