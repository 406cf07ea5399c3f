#include "tool/serve/file_versions.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <optional>
#include <utility>

#include "names/encoded_name.h"
#include "platform/text_conversion.h"

namespace ostrel {
namespace {

// The name of the current copy that shownName is a version of, and its stamp; nothing when
// shownName carries no stamp.
std::optional<std::pair<std::string, std::string>> UnstampedName(std::string_view shownName) {
  const std::u16string wide = WidenSystemText(shownName);
  DecodedFileName decoded;
  try {
    decoded = DecodeFileName(wide);
  } catch (const std::exception&) {
    return std::nullopt;  // a stamp naming no real day: the tree left such names out already
  }
  if (!decoded.TimeStamp)
    return std::nullopt;
  const std::size_t at = wide.rfind(decoded.TimeStamp->Text);
  if (at == std::u16string::npos)
    return std::nullopt;
  std::u16string unstamped = wide;
  unstamped.erase(at, decoded.TimeStamp->Text.size());
  return std::make_pair(NarrowSystemText(unstamped), NarrowSystemText(decoded.TimeStamp->Text));
}

// "dYYYYMMDD-tHHMMSS" without regard to the case of its letters: the order of the times.
std::string SortableStamp(const std::string& stamp) {
  std::string lower = stamp;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace

std::vector<FileVersion> VersionsAmong(const ShownEntries& entries, std::string_view name) {
  std::vector<FileVersion> versions;
  for (const auto& [shownName, attributes] : entries) {
    if (attributes.Directory)
      continue;
    if (shownName == name) {
      versions.push_back({shownName, {}, attributes});
      continue;
    }
    auto unstamped = UnstampedName(shownName);
    if (unstamped && unstamped->first == name)
      versions.push_back({shownName, std::move(unstamped->second), attributes});
  }
  std::stable_sort(versions.begin(), versions.end(),
                   [](const FileVersion& a, const FileVersion& b) {
                     if (a.Stamp.empty() != b.Stamp.empty())
                       return a.Stamp.empty();
                     return SortableStamp(a.Stamp) > SortableStamp(b.Stamp);
                   });
  return versions;
}

std::map<std::string, std::size_t> CopiesByName(const ShownEntries& entries) {
  std::map<std::string, std::size_t> copies;
  for (const auto& [shownName, attributes] : entries) {
    if (attributes.Directory)
      continue;
    const auto unstamped = UnstampedName(shownName);
    ++copies[unstamped ? unstamped->first : shownName];
  }
  return copies;
}

}  // namespace ostrel
