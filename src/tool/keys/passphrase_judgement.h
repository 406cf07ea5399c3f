// Whether the pass phrase of a run is the one its files were encrypted with, judged once, before
// anything is written, from the final blocks of a sample spread over the whole run. The format has
// no check value: a wrong pass phrase still opens one final block with a chance of about 1 in 255,
// and a damaged file fails under the right one. A phrase that opens at least half of the files
// tried is taken for right, and the files it does not open for damaged; one that opens fewer is
// taken for wrong. Only a file whose final block could be read counts as tried: an unreadable or
// truncated file says nothing about the pass phrase.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tool/keys/cipher_keys.h"
#include "tool/restore/work_list.h"

namespace ostrel {

// At most this many files are tried: enough that a wrong pass phrase is never taken for right in
// practice, few enough that a run over a slow disk does not wait for it.
inline constexpr std::size_t kJudgedFiles = 64;

// Chooses the files to try from the pending items of a run, offered in the run's order, without
// holding more than twice the sample: every stride-th item is kept, and the stride doubles (and
// every other kept item goes) whenever the kept items fill up. The sample is then spread evenly
// over the whole run, however large, not drawn from its first directory.
class JudgementSample {
 public:
  void Offer(const WorkItem& item);
  // The sample, at most kJudgedFiles items in the run's order.
  std::vector<WorkItem> Take();

 private:
  std::vector<WorkItem> kept_;
  std::size_t stride_ = 1;
  std::size_t offered_ = 0;
};

struct PassphraseJudgement {
  std::size_t Tried = 0;               // files whose final block could be read
  std::size_t Opened = 0;              // of those, files whose final block opened
  std::vector<std::string> NotOpened;  // the inputs of the others

  // No file tried is no evidence against the pass phrase: every file then fails on its own.
  bool Right() const { return 2 * Opened >= Tried; }
  // "opens 1 of 64 files tried", or "does not open NAME" when one file was tried.
  std::string Summary() const;
};

PassphraseJudgement JudgePassphrase(const CipherKeys& keys, const std::vector<WorkItem>& sample);

// The rule, as a run that writes states it, and the chance that it errs, for help texts.
inline constexpr const char* kJudgementRule =
    "Before anything is written, the final blocks of up to 64 files spread over the run are "
    "checked. A pass phrase that opens fewer than half of those whose final block can be read is "
    "wrong: nothing is written and the status is 3. Otherwise the files it does not open are "
    "damaged, and reported so.";
inline constexpr const char* kJudgementChance =
    "The format has no check value: a wrong pass phrase opens one final "
    "block by chance about once in 255, so it is taken for right about once in 255 when one file "
    "is tried, once in 128 for two, once in 10000 for three or four, and less than once in a "
    "million for five or more.";

}  // namespace ostrel
