#include "tool/keys/checked_passphrase.h"

#include <cstdio>

#include "tool/keys/passphrase_input.h"
#include "tool/restore/final_block_check.h"

namespace ostrel {
namespace {

constexpr int kTries = 3;
// A damaged first file must not lock the user out: the pass phrase has to fail on every one of
// the first few files before it is taken for mistyped.
constexpr std::size_t kFilesTried = 4;

bool AsksOnTerminal(const PassphraseChoice& choice) {
  return !choice.File && !choice.EnvironmentVariable && !choice.Descriptor;
}

// The first files to be worked on; empty when there is nothing to try the pass phrase on.
std::vector<const WorkItem*> FilesToTry(const std::vector<WorkItem>& items) {
  std::vector<const WorkItem*> files;
  for (const WorkItem& item : items) {
    if (item.State == ItemState::Pending && files.size() < kFilesTried)
      files.push_back(&item);
  }
  return files;
}

// Whether the keys open any of the files; a file that fails for another reason (unreadable,
// truncated) says nothing about the pass phrase and counts as opened.
bool OpensAny(const CipherKeys& keys, const std::vector<const WorkItem*>& files) {
  for (const WorkItem* item : files) {
    if (!CheckFinalBlockOfFile(*item, keys, false).PassphraseCheckFailed)
      return true;
  }
  return files.empty();
}

}  // namespace

bool AnyPending(const std::vector<WorkItem>& items) {
  for (const WorkItem& item : items) {
    if (item.State == ItemState::Pending)
      return true;
  }
  return false;
}

CheckedKeys ObtainCheckedKeys(const PassphraseChoice& choice, const std::vector<WorkItem>& items) {
  CheckedKeys result;
  if (!AnyPending(items))
    return result;
  const std::vector<const WorkItem*> files = FilesToTry(items);
  const bool canAskAgain = AsksOnTerminal(choice);
  for (int attempt = 1; attempt <= kTries; ++attempt) {
    result.Keys = ObtainKeys(choice, false, false);
    if (!result.Keys) {
      result.ExitStatus = 2;
      return result;
    }
    if (!canAskAgain || OpensAny(*result.Keys, files))
      return result;
    (void)std::fprintf(stderr, "ostrel: that pass phrase does not open %s%s\n",
                       files.front()->Input.c_str(),
                       files.size() > 1 ? " nor the files after it" : "");
    result.Keys.reset();
  }
  (void)std::fprintf(stderr, "ostrel: %d pass phrases tried; nothing was written\n", kTries);
  result.ExitStatus = 3;
  return result;
}

}  // namespace ostrel
