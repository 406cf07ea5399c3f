// What the mount shows of an entry and of a directory, as the kernel or a server is given them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ostrel {

struct ShownAttributes {
  bool Directory = false;
  // The source's permission bits, write bits kept: a copy taken out of the mount keeps the modes
  // the files had. Writes are refused all the same, since the mount is read-only.
  uint32_t Permissions = 0;
  uint32_t Owner = 0;  // the source's, so that its permission bits mean what they say
  uint32_t Group = 0;
  int64_t Size = 0;  // the plain length of a decrypted file
  int64_t Seconds = 0;
  int64_t Nanoseconds = 0;
};

// 512-byte units for the plain length, as a disk would hold it: what "du" counts.
inline int64_t ShownBlocks(const ShownAttributes& attributes) {
  return (attributes.Size + 511) / 512;
}

// A directory's entries: each name with its attributes.
using ShownEntries = std::vector<std::pair<std::string, ShownAttributes>>;

// A directory's entries, and the source paths of its subdirectories.
struct ShownListing {
  ShownEntries Entries;
  std::vector<std::string> Subdirectories;
};

}  // namespace ostrel
