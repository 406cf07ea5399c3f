#include "tool/ecb_blocks.h"

namespace ostrel {

EcbBlocks::EcbBlocks(EncryptionMethod method, const CipherKeys& keys, bool encrypt)
    : method_(method), blockSize_(CipherMethodFor(method).BlockSize) {
  if (method_ == EncryptionMethod::kTripleDes) {
    InitTripleDesContext(keys.KeyFor(EncryptionMethod::kTripleDes), tripleDes_, encrypt);
  } else {
    InitRijndaelContext(keys.KeyFor(EncryptionMethod::kRijndael),
                        CipherMethodFor(EncryptionMethod::kRijndael).KeyLength, rijndael_, encrypt);
  }
}

void EcbBlocks::Apply(uint8_t* blocks, std::size_t count) const {
  for (std::size_t i = 0; i < count; ++i) {
    uint8_t* const block = blocks + i * static_cast<std::size_t>(blockSize_);
    if (method_ == EncryptionMethod::kTripleDes) {
      TripleDesBlock(tripleDes_, block);
    } else {
      RijndaelBlock(rijndael_, block);
    }
  }
}

}  // namespace ostrel
