// --include and --exclude: which outputs of a tree a run restores, chosen by patterns on the
// output path relative to its tree, read the way ignore files read them. A pattern without "/"
// matches the file name or the name of any directory on the way; one with "/" matches the whole
// relative path (a leading "/" only anchors it). A trailing "/" restricts a pattern to
// directories. "*" and "?" stop at "/", "[...]" is a class, and a segment "**" stands for any
// number of directories. An exclude wins over an include.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// The work one match did: one step per pattern segment tried at one place of the path, so that
// a test can hold the matcher to a bound that does not depend on the machine's speed.
struct PatternWork {
  std::size_t Steps = 0;
};

class PathPattern {
 public:
  // Raises std::invalid_argument, naming the pattern, for one that cannot be read: empty, an
  // empty name ("//"), an unclosed "[", a range that runs backwards, an unknown "[:class:]", a
  // trailing "\".
  explicit PathPattern(std::string_view text);

  // relativePath is the "/"-separated path of a file below its tree: every name before the last
  // is a directory. The work done grows with the product of the pattern's and the path's names.
  bool Matches(std::string_view relativePath, PatternWork* work = nullptr) const;

 private:
  bool anchored_ = false;              // has a "/" before its end: matches from the top
  bool directoriesOnly_ = false;       // ended in "/": the file's own name never matches
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
