// The keys of one run: derived once from the pass phrase for both ciphers, because a tree may hold
// files of both methods, and wiped when the run ends. The keyed ciphers belong to the run too: each
// is made once, when the first file of its method and direction needs it, and shared by every file,
// thread and check after that (the final-block check, the transform, a mount's reads). A key
// schedule per file would cost its pages (mapped, locked, marked and unmapped again) for every
// small file of a backup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

#include "cipher/block_cipher.h"
#include "names/encryption_method.h"

namespace ostrel {

class CipherKeys {
 public:
  explicit CipherKeys(std::string_view passphrase);
  ~CipherKeys();
  CipherKeys(const CipherKeys&) = delete;
  CipherKeys& operator=(const CipherKeys&) = delete;

  // Kept on pages of their own that no core dump includes.
  static void* operator new(std::size_t size);
  static void operator delete(void* memory) noexcept;

  // The key of a method that selects a cipher; CipherMethodFor(method).KeyLength bytes.
  const uint8_t* KeyFor(EncryptionMethod method) const;

  // The run's cipher for a method that selects one, keyed for the direction; safe to use from
  // several threads at once. Lives, and is wiped, with these keys.
  const BlockCipher& CipherFor(EncryptionMethod method, bool encrypt) const;

  // The same keys on pages locked into memory, for a process that holds them for days (a mount)
  // and has just forked, since locks are not inherited. Its ciphers are made anew when first
  // used, on pages of this process. Raises Exception when the pages cannot be locked.
  std::unique_ptr<CipherKeys> CopyLockedInMemory() const;

  // How many key schedules the ciphers of this process have made so far; for tests that a run
  // keys each cipher once.
  static int64_t SchedulesMade();

 private:
  CipherKeys() = default;
  // The methods that select a cipher, in the order of the slots below.
  static constexpr int kMethods = 2;
  static int SlotOf(EncryptionMethod method);

  // Room for the longest key of the method table, Rijndael's 32 bytes; each holds its
  // method's KeyLength.
  static constexpr int32_t kLongestKey = 32;
  uint8_t keys_[kMethods][kLongestKey] = {};
  // By method slot and direction (decrypt, encrypt).
  struct KeyedCipher {
    std::once_flag Made;
    std::unique_ptr<BlockCipher> Cipher;
  };
  mutable KeyedCipher ciphers_[kMethods][2];
};

// The cipher name of the method, or "none" for the methods without a cipher.
const char* CipherNameOrNone(EncryptionMethod method);

}  // namespace ostrel
