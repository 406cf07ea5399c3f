// Which copies of one directory are shown, and under which names. A name with a time stamp is an
// earlier version of the name without it: by default only current copies are shown; "latest" adds
// the newest version of a file that has no current copy (deleted at the source, kept as
// versions); "all" shows every copy, a version under its name with the stamp kept in place, so
// that versions never hide each other.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "names/encoded_name.h"
#include "tool/version_selection.h"

namespace ostrel {

struct ShownVersionCandidate {
  std::string Name;         // the planned name, without the stamp
  std::string StampedName;  // the same with the stamp back in place; Name when there is none
  std::optional<NameTimeStamp> Stamp;
};

struct ShownCopy {
  std::size_t Candidate;  // index into the candidates
  std::string Name;
};

// The copies to show, in the candidates' order. Two copies may come out under one name (two
// versions with equal stamps, or two encodings of one name): the caller must not show either.
std::vector<ShownCopy> SelectShownVersions(const std::vector<ShownVersionCandidate>& candidates,
                                           VersionChoice choice);

// Whether a is an earlier time than b, field by field.
bool IsEarlierStamp(const NameTimeStamp& a, const NameTimeStamp& b);

}  // namespace ostrel
