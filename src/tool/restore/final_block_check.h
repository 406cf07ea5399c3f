// Whether the run's pass phrase opens a file, from its final block alone, before any output
// exists: the tail count must lie within the block and the bytes the writer zeroed before it must
// be zero. A wrong pass phrase passes with a chance of about 1 in 255, so this is also what verify
// reports; and the plain length it yields must be the one the name's size suffix promises.
#pragma once

#include <cstdint>
#include <string>

#include "errors/exceptions.h"
#include "tool/keys/cipher_keys.h"
#include "tool/restore/work_list.h"
#include "tool/run/file_outcome.h"

namespace ostrel {

// The final block did not open. The run's pass phrase has been judged right before any file is
// worked on, so this is a damaged end.
class EPassphraseCheckFailed : public Exception {
 public:
  EPassphraseCheckFailed();
};

// Reads the final block of the open file. Returns the plain length. Raises EPassphraseCheckFailed,
// or Exception with a one-line reason: truncated, shorter than when it was measured, or (with
// checkSize) a plain length other than the name promises.
int64_t CheckFinalBlock(int handle, const WorkItem& item, const CipherKeys& keys, bool checkSize,
                        std::string* finalCipherBlock = nullptr);
// The same for a file whose length the caller has just read from its handle.
int64_t CheckFinalBlock(int handle, int64_t size, const WorkItem& item, const CipherKeys& keys,
                        bool checkSize);

// Opens the item's file and checks it: Done with the plain length, or Failed with the reason
// (PassphraseCheckFailed set when the final block did not open). finalCipherBlock receives the
// stored final block.
FileOutcome CheckFinalBlockOfFile(const WorkItem& item, const CipherKeys& keys, bool checkSize,
                                  std::string* finalCipherBlock = nullptr);

// The chance that a key that is not the file's still finds a well-formed final block: for each
// tail count r, the chance of that count (1/256) times the chance that the B-1-r bytes before it
// are zero.
double WrongKeyPassChance(EncryptionMethod method);

}  // namespace ostrel
