// SplitPath and NormalizeDirectory on any path, in both path styles, for 8-bit and UTF-16 text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "names/path_rules.h"
#include "property_check.h"

namespace ostrel {
namespace {

// The split compares at most this many characters of an extension with the end of the name.
constexpr std::size_t kLongestStrippedExtension = 500;

template <typename Char>
bool IsSeparator(Char c, PathStyle style) {
  if (style == PathStyle::Posix)
    return c == static_cast<Char>('/');
  return c == static_cast<Char>('\\') || c == static_cast<Char>(':');
}

template <typename String>
bool HasSeparator(const String& text, PathStyle style) {
  return std::any_of(text.begin(), text.end(), [&](auto c) { return IsSeparator(c, style); });
}

// The parts put back together give the path: the directory, at most the one separator it dropped,
// then the file name, which is stem and extension unless the extension was too long to come off.
template <typename Char>
void CheckSplit(std::basic_string_view<Char> path, PathStyle style) {
  const auto parts = SplitPath(path, style);
  OSTREL_CHECK(path.substr(0, parts.Directory.size()) == parts.Directory);
  std::basic_string_view<Char> rest = path.substr(parts.Directory.size());
  if (!rest.empty() && IsSeparator(rest.front(), style))
    rest.remove_prefix(1);
  OSTREL_CHECK(!HasSeparator(rest, style));
  if (parts.Extension.size() > kLongestStrippedExtension) {
    OSTREL_CHECK(rest == parts.Stem);
    OSTREL_CHECK(rest.substr(rest.size() - parts.Extension.size()) == parts.Extension);
  } else {
    OSTREL_CHECK(rest == parts.Stem + parts.Extension);
  }
  // The extension is empty or one "." and what follows the file name's last ".".
  if (!parts.Extension.empty()) {
    OSTREL_CHECK(parts.Extension.front() == static_cast<Char>('.'));
    OSTREL_CHECK(parts.Extension.find(static_cast<Char>('.'), 1) == std::basic_string<Char>::npos);
  }
  if (parts.Extension.empty()) {
    OSTREL_CHECK(rest.find(static_cast<Char>('.')) == std::basic_string_view<Char>::npos);
  }
}

// Normalising only deletes characters (and turns "\" into "/" for a URL in Windows style). It is
// idempotent where its definition makes it so: always in POSIX style; in Windows style only for
// paths without ":" (a drive or URL word decides where the clean-up starts, and resolving ".." may
// remove that word, so a second pass may start earlier) and short enough that the 254-character
// reach of the doubled-separator rule covers them (resolving ".." may pull far doubles into reach).
template <typename Char>
void CheckNormalize(std::basic_string_view<Char> path, PathStyle style) {
  const std::basic_string<Char> once = NormalizeDirectory(path, style);
  OSTREL_CHECK(once.size() <= path.size());
  const bool idempotent = style == PathStyle::Posix || (path.find(static_cast<Char>(':')) ==
                                                            std::basic_string_view<Char>::npos &&
                                                        path.size() <= 250);
  if (idempotent) {
    OSTREL_CHECK(NormalizeDirectory(std::basic_string_view<Char>(once), style) == once);
  }
}

}  // namespace
}  // namespace ostrel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ostrel;
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  // Each byte as one UTF-16 unit: the rules are the same for both widths, so the results must be
  // the same unit for unit.
  const std::u16string wide(data, data + size);
  for (PathStyle style : {PathStyle::Windows, PathStyle::Posix}) {
    CheckSplit(path, style);
    CheckSplit(std::u16string_view(wide), style);
    CheckNormalize(path, style);

    const std::string narrowResult = NormalizeDirectory(path, style);
    const std::u16string wideResult = NormalizeDirectory(std::u16string_view(wide), style);
    OSTREL_CHECK(std::equal(wideResult.begin(), wideResult.end(), narrowResult.begin(),
                            narrowResult.end(),
                            [](char16_t w, char n) { return w == static_cast<unsigned char>(n); }));
    const auto narrowParts = SplitPath(path, style);
    const auto wideParts = SplitPath(std::u16string_view(wide), style);
    OSTREL_CHECK(wideParts.Directory.size() == narrowParts.Directory.size() &&
                 wideParts.Stem.size() == narrowParts.Stem.size() &&
                 wideParts.Extension.size() == narrowParts.Extension.size());
  }
  return 0;
}
