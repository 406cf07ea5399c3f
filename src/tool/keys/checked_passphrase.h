// The pass phrase of a decrypt or verify run. Typed at the terminal, it is tried on the first files
// of the run before anything is written: when it opens none of them, the user hears so and is
// asked again, three times in all, as a mistyped login is.
#pragma once

#include <memory>
#include <vector>

#include "tool/keys/cipher_keys.h"
#include "tool/keys/passphrase_choice.h"
#include "tool/restore/work_list.h"

namespace ostrel {

struct CheckedKeys {
  std::unique_ptr<CipherKeys> Keys;  // nothing when the run cannot go on
  int ExitStatus = 0;  // then: 2 when no pass phrase could be had, 3 when none typed opened a file
};

CheckedKeys ObtainCheckedKeys(const PassphraseChoice& choice, const std::vector<WorkItem>& items);

bool AnyPending(const std::vector<WorkItem>& items);

}  // namespace ostrel
