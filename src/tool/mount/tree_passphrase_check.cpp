#include "tool/mount/tree_passphrase_check.h"

#include <cstdio>
#include <vector>

#include "names/path_joining.h"
#include "tool/keys/checked_passphrase.h"
#include "tool/keys/passphrase_input.h"
#include "tool/restore/file_transform.h"
#include "tool/restore/final_block_check.h"
#include "tool/run/terminal_text.h"

namespace ostrel {
namespace {

// Files whose final block the pass phrase is tried on.
constexpr std::size_t kSampleFiles = 64;

std::vector<WorkItem> SampleItems(MountedTree& tree, const std::string& source) {
  std::vector<WorkItem> items;
  for (const auto& [relative, method] : tree.SampleEncryptedFiles(kSampleFiles)) {
    WorkItem item;
    item.Input = JoinPath(source, relative, PathStyle::Posix);
    item.Method = method;
    items.push_back(std::move(item));
  }
  return items;
}

// A sample file's path without the source's own path before it.
std::string BelowSource(const std::string& path, const std::string& source) {
  const std::string prefix = source.ends_with('/') ? source : source + "/";
  return path.starts_with(prefix) ? path.substr(prefix.size()) : path;
}

// The names, escaped for a terminal, in one line.
std::string NameList(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names)
    list += (list.empty() ? "" : ", ") + EscapeControlCharacters(name);
  return list;
}

}  // namespace

std::unique_ptr<CipherKeys> KeysOpeningTheTree(MountedTree& tree, const std::string& source,
                                               const PassphraseChoice& passphrase,
                                               const std::string& outcome, int& exitStatus) {
  const std::vector<WorkItem> sample = SampleItems(tree, source);
  if (sample.empty()) {
    std::unique_ptr<CipherKeys> keys = ObtainKeys(passphrase, false, false);
    exitStatus = keys ? 0 : 2;
    return keys;
  }
  CheckedKeys checked = ObtainCheckedKeys(passphrase, sample, outcome.c_str());
  if (!checked.Keys) {
    // The files that refused the pass phrase, so that the user can see which tree they are in.
    if (checked.ExitStatus == 3 && !checked.Judgement.NotOpened.empty()) {
      std::vector<std::string> refused;  // below the source
      for (const std::string& input : checked.Judgement.NotOpened)
        refused.push_back(BelowSource(input, source));
      (void)std::fprintf(stderr, "ostrel: the pass phrase does not open: %s\n",
                         NameList(refused).c_str());
    }
    exitStatus = checked.ExitStatus;
    return nullptr;
  }
  // Judged right, the pass phrase leaves the files it does not open for damaged: they are named
  // now, as the reads of them will fail.
  const PassphraseJudgement& judgement = checked.Judgement;
  if (!judgement.NotOpened.empty()) {
    std::vector<std::string> damaged;  // below the source
    for (const std::string& input : judgement.NotOpened)
      damaged.push_back(BelowSource(input, source));
    (void)std::fprintf(stderr,
                       "ostrel: %zu of the %zu files tried are damaged (the final block does not "
                       "open); such files fail to read: %s\n",
                       damaged.size(), judgement.Tried, NameList(damaged).c_str());
  }
  return std::move(checked.Keys);
}

}  // namespace ostrel
