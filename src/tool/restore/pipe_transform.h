// Decrypting or encrypting standard input to standard output as it streams, in the ECB layout of
// the file format, when the total size is not known in advance: the stream engine holds back the
// last whole block until the input ends, because only that block carries the tail count.
#pragma once

#include "cipher/stream_schedule.h"
#include "names/encryption_method.h"
#include "tool/keys/cipher_keys.h"
#include "tool/run/file_outcome.h"

namespace ostrel {

// Reads the handle to its end and writes to the other; Failed with a one-line reason. What was
// written before a failure stays written: a pipe cannot take bytes back.
FileOutcome DecryptStreaming(EncryptionMethod method, const CipherKeys& keys, int input, int output,
                             const StreamSchedule& schedule);
FileOutcome EncryptStreaming(EncryptionMethod method, const CipherKeys& keys, int input, int output,
                             const StreamSchedule& schedule);

// Reads the handle to its end, decrypting only the last block: Done when it is a whole number of
// blocks, at least one, whose final block passes the check.
FileOutcome VerifyStreaming(EncryptionMethod method, const CipherKeys& keys, int input,
                            const StreamSchedule& schedule);

}  // namespace ostrel
