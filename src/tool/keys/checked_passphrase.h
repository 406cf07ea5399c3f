// The pass phrase of a decrypt, verify or mount run, judged on a sample of the run's files before
// anything is written or mounted (see passphrase_judgement.h), whatever its source. Typed at the
// terminal, a pass phrase judged wrong is asked for again, three times in all, as a mistyped login
// is; from a file, a variable or a descriptor it ends the run. A pass phrase with letters beyond
// ASCII that opens nothing is tried in the common code pages, and the one that opens the files is
// named (or, with --codepage auto, used).
#pragma once

#include <memory>
#include <vector>

#include "tool/keys/cipher_keys.h"
#include "tool/keys/passphrase_choice.h"
#include "tool/keys/passphrase_judgement.h"
#include "tool/restore/work_list.h"

namespace ostrel {

struct CheckedKeys {
  std::unique_ptr<CipherKeys> Keys;  // nothing when the run cannot go on
  int ExitStatus = 0;  // then: 2 when no pass phrase could be had, 3 when it was judged wrong
  PassphraseJudgement Judgement;  // of the keys on the sample
};

// sample: from JudgementSample. nothingDone names what a wrong pass phrase leaves undone
// ("written", "mounted").
CheckedKeys ObtainCheckedKeys(const PassphraseChoice& choice, const std::vector<WorkItem>& sample,
                              const char* nothingDone = "written");

// The sample of a planned run: its pending items, spread.
std::vector<WorkItem> SampleOfPending(const std::vector<WorkItem>& items);

bool AnyPending(const std::vector<WorkItem>& items);

}  // namespace ostrel
