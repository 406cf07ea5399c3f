#include "names/encryption_method.h"

#include <cstdlib>

namespace ostrel {
namespace {

constexpr CipherMethod kCipherMethods[] = {
    {EncryptionMethod::kTripleDes, 8, 16, "Triple-DES", ".1crypt"},
    {EncryptionMethod::kRijndael, 16, 32, "Rijndael-256", ".2crypt"},
};

}  // namespace

const CipherMethod* CipherMethodOf(EncryptionMethod method) noexcept {
  for (const CipherMethod& entry : kCipherMethods) {
    if (entry.Method == method)
      return &entry;
  }
  return nullptr;
}

const CipherMethod& CipherMethodFor(EncryptionMethod method) noexcept {
  const CipherMethod* entry = CipherMethodOf(method);
  if (entry == nullptr)
    std::abort();  // a caller handed over a method that selects no cipher
  return *entry;
}

}  // namespace ostrel
