// Whether a pass phrase plausibly opens a file, from its last block alone: the file must be a
// whole number of blocks, at least one, and its final block must decrypt to a tail count in
// range. A random final byte is in range with probability B/256, so a wrong pass phrase passes
// for 1 Rijndael file in 16 and 1 Triple-DES file in 32.
#pragma once

#include "tool/cipher_keys.h"
#include "tool/file_outcome.h"
#include "tool/work_list.h"

namespace ostrel {

FileOutcome CheckLastBlock(const WorkItem& item, const CipherKeys& keys);

// How many wrong pass phrases in a row pass the check for one file of the method: 16 or 32.
int ChanceDenominator(EncryptionMethod method);

}  // namespace ostrel
