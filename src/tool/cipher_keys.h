// The keys of one run: derived once from the pass phrase for both ciphers, because a tree may hold
// files of both methods, and wiped when the run ends.
#pragma once

#include <cstdint>
#include <string_view>

#include "names/encoded_name.h"

namespace ostrel {

inline constexpr int32_t kTripleDesKeyLength = 16;
inline constexpr int32_t kRijndaelKeyLength = 32;

class CipherKeys {
 public:
  explicit CipherKeys(std::string_view passphrase);
  ~CipherKeys();
  CipherKeys(const CipherKeys&) = delete;
  CipherKeys& operator=(const CipherKeys&) = delete;

  // method is 1 (Triple-DES, 16 bytes) or 2 (Rijndael-256, 32 bytes).
  const uint8_t* KeyFor(EncryptionMethod method) const;
  static int32_t KeyLengthFor(EncryptionMethod method);

 private:
  uint8_t tripleDes_[kTripleDesKeyLength] = {};
  uint8_t rijndael_[kRijndaelKeyLength] = {};
};

// 8 for Triple-DES, 16 for Rijndael.
int32_t BlockSizeOf(EncryptionMethod method);

// "Triple-DES", "Rijndael-256", or "none" for the methods without a cipher.
const char* CipherNameOf(EncryptionMethod method);

}  // namespace ostrel
