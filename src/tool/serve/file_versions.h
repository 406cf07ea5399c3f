// The copies of one file that a backup holds: the current one, under the file's own name, and the
// versions the synchronizer kept with a time stamp in their names. They are found in the listing
// of the file's directory with every version shown, where each keeps its stamp, so that the page
// offers exactly the copies that "--versions all" shows and restores.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tool/mount/mounted_tree.h"

namespace ostrel {

struct FileVersion {
  std::string ShownName;  // in the listing with every version: the stamp in place
  std::string Stamp;      // ".dYYYYMMDD-tHHMMSS" as the name wrote it; empty for the current copy
  ShownAttributes Attributes;
};

// The copies of the file named name among entries: the current one first, then the stamped ones
// newest first.
std::vector<FileVersion> VersionsAmong(const ShownEntries& entries, std::string_view name);

// How many copies each file among entries has, by the name of its current copy.
std::map<std::string, std::size_t> CopiesByName(const ShownEntries& entries);

}  // namespace ostrel
