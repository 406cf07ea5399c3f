// The keys of a mount, which may live for days: in locked memory that core dumps leave out, wiped
// when the mount ends. Taken after the process has gone into the background, since locks do not
// survive the fork.
#pragma once

#include <cstdint>

#include "names/encryption_method.h"
#include "platform/locked_memory.h"
#include "tool/keys/cipher_keys.h"

namespace ostrel {

class MountKeys {
 public:
  // Copies both keys; the caller may then wipe its own.
  explicit MountKeys(const CipherKeys& keys);

  // The key of a method that selects a cipher; CipherMethodFor(method).KeyLength bytes.
  const uint8_t* KeyFor(EncryptionMethod method) const;

 private:
  LockedMemory memory_;
};

}  // namespace ostrel
