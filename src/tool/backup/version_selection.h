// Which copies of a file are taken: the version step of the backup model (backup_directory.h),
// which alone calls it. A backup directory keeps the current copy of a file under its plain
// encoded name and earlier versions with a time stamp in the name; all of them decode to one plain
// name. Versions are found within one directory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "names/encoded_name.h"

namespace ostrel {

// --versions: current copies only, per file the newest copy there is, or every copy (versions
// under their stamped names).
enum class VersionChoice { Current, Latest, All };

struct VersionCandidate {
  std::string OutputName;                // the plain name the copy decodes to, stamp removed
  const NameTimeStamp* Stamp = nullptr;  // nothing for the current copy
};

enum class VersionVerdict {
  Take,
  SkipEarlierVersion,  // not taken under this choice
  SameStampAsAnother,  // two versions of one file with one time stamp: neither is the newer
};

struct VersionDecision {
  VersionVerdict Verdict = VersionVerdict::Take;
  std::size_t Other = 0;  // for SameStampAsAnother: the candidate that was taken
  // The newest version of a file that has no current copy (taken under Latest, skipped under
  // Current): such a file exists only as versions.
  bool NewestWithoutCurrentCopy = false;
};

// One decision per candidate, in the candidates' order. Current copies are always taken, every
// one of them, so that two copies decoding to one name reach the model's check of shared names
// instead of one hiding the other. Under Latest, a file without a current copy gets its
// newest version; of versions with equal newest stamps the first (in the given order) is taken
// and the others are refused, so that the choice is never made silently.
std::vector<VersionDecision> SelectVersions(const std::vector<VersionCandidate>& candidates,
                                            VersionChoice choice);

}  // namespace ostrel
