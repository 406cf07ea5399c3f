#include "tool/keys/cipher_keys.h"

#include "platform/undumpable_memory.h"
#include "primitives/fold_digest.h"
#include "primitives/secure_wipe.h"

namespace ostrel {
namespace {

void DeriveKey(uint8_t* key, EncryptionMethod method, std::string_view passphrase) {
  const int32_t length = CipherMethodFor(method).KeyLength;
  PassphraseToKey(key, length, passphrase);
}

}  // namespace

CipherKeys::CipherKeys(std::string_view passphrase) {
  DeriveKey(tripleDes_, EncryptionMethod::kTripleDes, passphrase);
  DeriveKey(rijndael_, EncryptionMethod::kRijndael, passphrase);
}

CipherKeys::~CipherKeys() {
  SecureWipe(tripleDes_);
  SecureWipe(rijndael_);
}

void* CipherKeys::operator new(std::size_t size) {
  return AllocateUndumpable(size);
}

void CipherKeys::operator delete(void* memory) noexcept {
  FreeUndumpable(memory, sizeof(CipherKeys));
}

const uint8_t* CipherKeys::KeyFor(EncryptionMethod method) const {
  return method == EncryptionMethod::kTripleDes ? tripleDes_ : rijndael_;
}

const BlockCipher& CipherKeys::CipherFor(EncryptionMethod method, bool encrypt) const {
  const bool tripleDes = method == EncryptionMethod::kTripleDes;
  KeyedCipher& keyed = ciphers_[tripleDes ? 0 : 1][encrypt ? 1 : 0];
  std::call_once(keyed.Made,
                 [&] { keyed.Cipher = MakeCipherFor(method, KeyFor(method), encrypt); });
  return *keyed.Cipher;
}

const char* CipherNameOrNone(EncryptionMethod method) {
  const CipherMethod* entry = CipherMethodOf(method);
  return entry != nullptr ? entry->CipherName : "none";
}

}  // namespace ostrel
