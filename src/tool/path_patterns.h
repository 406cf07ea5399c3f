// --include and --exclude: which outputs of a tree a run restores, chosen by patterns on the
// output path relative to its tree, read the way ignore files read them. A pattern without "/"
// matches the file name or the name of any directory on the way; one with "/" matches the whole
// relative path (a leading "/" only anchors it). "*" and "?" stop at "/", "[...]" is a class, and
// a segment "**" stands for any number of directories. An exclude wins over an include.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

class PathPattern {
 public:
  // Raises std::invalid_argument for a pattern that cannot be read (empty, an unclosed "[", a
  // trailing "\").
  explicit PathPattern(std::string_view text);

  bool Matches(std::string_view relativePath) const;

 private:
  bool anchored_ = false;              // has a "/": matches the whole path
  std::vector<std::string> segments_;  // split at "/"
};

class PathSelection {
 public:
  PathSelection(const std::vector<std::string>& includes, const std::vector<std::string>& excludes);

  bool Selects(std::string_view relativePath) const;
  bool Empty() const { return includes_.empty() && excludes_.empty(); }

 private:
  std::vector<PathPattern> includes_;
  std::vector<PathPattern> excludes_;
};

}  // namespace ostrel
