#include "cipher/cipher_components.h"

#include "cipher/file_procedures.h"
#include "cipher/stream_formats.h"
#include "cipher/string_functions.h"
#include "primitives/fold_digest.h"
#include "primitives/random_key.h"
#include "secret/secure_wipe.h"

namespace ostrel {

// ---- TTripleDes

TTripleDes::~TTripleDes() {
  SecureWipe(key_);
}

void TTripleDes::TransformFile(std::u16string_view inFile, std::u16string_view outFile,
                               bool encrypt) {
  if (CipherMode() == cmCBC) {
    TripleDesFileCbc(inFile, outFile, key_, encrypt);
  } else {
    TripleDesFileEcb(inFile, outFile, key_, encrypt);
  }
}

void TTripleDes::TransformStream(TStream& input, TStream& output, bool encrypt) {
  if (CipherMode() == cmCBC) {
    TripleDesStreamCbc(input, output, key_, encrypt);
  } else {
    TripleDesStreamEcb(input, output, key_, encrypt);
  }
}

std::string TTripleDes::TransformString(std::string_view input, bool encrypt) {
  return CipherMode() == cmCBC ? TripleDesStringCbc(input, key_, encrypt)
                               : TripleDesStringEcb(input, key_, encrypt);
}

uint32_t TTripleDes::PaddedSize(uint32_t n) const {
  return (n / 8 + 1) * 8;
}

void TTripleDes::GenerateKey(std::string_view passphrase) {
  PassphraseToKey(key_, sizeof key_, passphrase);
}

void TTripleDes::RandomizeKey() {
  FillRandomKey(key_, sizeof key_);
}

// ---- TRijndael

TRijndael::~TRijndael() {
  SecureWipe(key_);
}

void TRijndael::SetKeySize(TRijndaelKeySize value) {
  keySize_ = value;
  switch (value) {
    case ks128:
      keyLength_ = 16;
      break;
    case ks192:
      keyLength_ = 24;
      break;
    case ks256:
      keyLength_ = 32;
      break;
  }
}

void TRijndael::TransformFile(std::u16string_view inFile, std::u16string_view outFile,
                              bool encrypt) {
  if (CipherMode() == cmCBC) {
    RijndaelFileCbc(inFile, outFile, key_, keyLength_, encrypt);
  } else {
    RijndaelFileEcb(inFile, outFile, key_, keyLength_, encrypt);
  }
}

void TRijndael::TransformStream(TStream& input, TStream& output, bool encrypt) {
  if (CipherMode() == cmCBC) {
    RijndaelStreamCbc(input, output, key_, keyLength_, encrypt);
  } else {
    RijndaelStreamEcb(input, output, key_, keyLength_, encrypt);
  }
}

std::string TRijndael::TransformString(std::string_view input, bool encrypt) {
  return CipherMode() == cmCBC ? RijndaelStringCbc(input, key_, keyLength_, encrypt)
                               : RijndaelStringEcb(input, key_, keyLength_, encrypt);
}

uint32_t TRijndael::PaddedSize(uint32_t n) const {
  return (n / 16 + 1) * 16;
}

void TRijndael::GenerateKey(std::string_view passphrase) {
  PassphraseToKey(key_, keyLength_, passphrase);
}

void TRijndael::RandomizeKey() {
  FillRandomKey(key_, keyLength_);
}

}  // namespace ostrel
