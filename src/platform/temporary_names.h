// The spelling of temporary output names, the same on every system:
// ".ostrel-HOST-PROCESS-RANDOM.tmp", hidden where a leading dot hides, unlikely to be taken
// (creating the file exclusively settles it when it is), and telling which machine and process
// made it, so that a later run can tell its own user's stale ones from files still being written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

// The machine's name in letters, digits and dots only (so that "-" separates the fields), short
// enough for any file system; "host" when nothing of it is left.
std::string TemporaryHostTag(std::string_view machineName);

// A new name for a file made by process on the machine of host (a TemporaryHostTag).
std::string TemporaryNameFor(const std::string& host, uint64_t process);

// The process that made a temporary name on the machine of host, or 0 for any other name.
uint64_t TemporaryNameOwner(std::string_view name, const std::string& host);

}  // namespace ostrel
