// The pass phrase of a mount or a server, judged on the tree it will show before anything is
// shown: tried on the final blocks of a sample of its files, so that a mistyped one gives an
// error, not a tree of unreadable files.
#pragma once

#include <memory>
#include <string>

#include "tool/keys/cipher_keys.h"
#include "tool/keys/passphrase_choice.h"
#include "tool/mount/mounted_tree.h"

namespace ostrel {

// The keys, once the pass phrase is judged right on the sample; or nothing, with the exit status
// in exitStatus (2: no pass phrase to be had, 3: judged wrong). The files it does not open are
// named on standard error. source: the tree's source directory as an
// absolute path; outcome: what did not happen then ("mounted").
std::unique_ptr<CipherKeys> KeysOpeningTheTree(MountedTree& tree, const std::string& source,
                                               const PassphraseChoice& passphrase,
                                               const std::string& outcome, int& exitStatus);

}  // namespace ostrel
