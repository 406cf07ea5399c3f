// The keys of one run: derived once from the pass phrase for both ciphers, because a tree may hold
// files of both methods, and wiped when the run ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

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

 private:
  // Room for the longest key of the method table, Rijndael's 32 bytes; each holds its
  // method's KeyLength.
  static constexpr int32_t kLongestKey = 32;
  uint8_t tripleDes_[kLongestKey] = {};
  uint8_t rijndael_[kLongestKey] = {};
};

// The cipher name of the method, or "none" for the methods without a cipher.
const char* CipherNameOrNone(EncryptionMethod method);

}  // namespace ostrel
