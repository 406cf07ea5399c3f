// The encryption method of a file: the digit N of its ".Ncrypt" suffix modulo 8, and the one table
// of what each method that selects a cipher means (block size, key length, cipher name, suffix).
#pragma once

#include <cstdint>

namespace ostrel {

// 0 none, 1 Triple-DES, 2 Rijndael with a 256-bit key; 3 to 7 are valid methods that select no
// cipher (they are written as static_cast<EncryptionMethod>(n)).
enum class EncryptionMethod : uint8_t {
  kNone = 0,
  kTripleDes = 1,
  kRijndael = 2,
};

struct CipherMethod {
  EncryptionMethod Method;
  int32_t BlockSize;       // bytes in a cipher block
  int32_t KeyLength;       // bytes of key derived from the pass phrase
  const char* CipherName;  // for people: "Triple-DES", "Rijndael-256"
  const char* Suffix;      // the encryption suffix the method's files carry: ".1crypt", ".2crypt"
};

// The table entry of a method that selects a cipher, or nullptr for one that does not.
const CipherMethod* CipherMethodOf(EncryptionMethod method) noexcept;

// The entry of a method that selects a cipher; callers have checked that it does.
const CipherMethod& CipherMethodFor(EncryptionMethod method) noexcept;

inline bool SelectsCipher(EncryptionMethod method) noexcept {
  return CipherMethodOf(method) != nullptr;
}

// The digit of the method, as names and reports write it.
inline int MethodNumber(EncryptionMethod method) noexcept {
  return static_cast<int>(method);
}

}  // namespace ostrel
