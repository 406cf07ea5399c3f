// The page a browser gets for a directory: its entries with their decoded names, sizes and times,
// each file a link that opens it and one that downloads it under its plain name. Plain HTML with
// its style inside, so that it needs nothing else from the network, works without JavaScript and
// reads on a phone as on a desktop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tool/serve/access_token.h"
#include "tool/serve/file_versions.h"

namespace ostrel {

struct PageEntry {
  std::string Name;
  bool Directory = false;
  int64_t Size = 0;
  int64_t ModifiedSeconds = 0;
  std::size_t Copies = 1;  // of a file: the current one and its versions
};

// entries: the directory's, in the order to show them.
std::string DirectoryPage(const AccessToken& token, std::string_view treePath,
                          const std::vector<PageEntry>& entries);

// The page of a file's copies, newest first: each to open or to download.
std::string VersionsPage(const AccessToken& token, std::string_view filePath,
                         const std::vector<FileVersion>& versions);

}  // namespace ostrel
