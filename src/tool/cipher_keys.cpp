#include "tool/cipher_keys.h"

#include "primitives/des.h"
#include "primitives/fold_digest.h"
#include "primitives/rijndael.h"
#include "primitives/secure_wipe.h"

namespace ostrel {

CipherKeys::CipherKeys(std::string_view passphrase) {
  PassphraseToKey(tripleDes_, kTripleDesKeyLength, passphrase);
  PassphraseToKey(rijndael_, kRijndaelKeyLength, passphrase);
}

CipherKeys::~CipherKeys() {
  SecureWipe(tripleDes_);
  SecureWipe(rijndael_);
}

const uint8_t* CipherKeys::KeyFor(EncryptionMethod method) const {
  return method == 1 ? tripleDes_ : rijndael_;
}

int32_t CipherKeys::KeyLengthFor(EncryptionMethod method) {
  return method == 1 ? kTripleDesKeyLength : kRijndaelKeyLength;
}

int32_t BlockSizeOf(EncryptionMethod method) {
  return method == 1 ? kDesBlockSize : kRijndaelBlockSize;
}

const char* CipherNameOf(EncryptionMethod method) {
  switch (method) {
    case 1:
      return "Triple-DES";
    case 2:
      return "Rijndael-256";
    default:
      return "none";
  }
}

}  // namespace ostrel
