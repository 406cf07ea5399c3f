// The block cipher of one method, keyed for one direction, applied to whole blocks in place: what
// streaming and the last-block check need when there is no file size to hand to the stream
// procedures.
#pragma once

#include <cstddef>
#include <cstdint>

#include "names/encryption_method.h"
#include "primitives/des.h"
#include "primitives/rijndael.h"
#include "tool/cipher_keys.h"

namespace ostrel {

class EcbBlocks {
 public:
  // A method that selects a cipher. The contexts wipe themselves when they die.
  EcbBlocks(EncryptionMethod method, const CipherKeys& keys, bool encrypt);

  int32_t BlockSize() const { return blockSize_; }
  // count whole blocks, one after the other.
  void Apply(uint8_t* blocks, std::size_t count) const;

 private:
  EncryptionMethod method_;
  int32_t blockSize_;
  TripleDesContext tripleDes_{};
  RijndaelContext rijndael_{};
};

}  // namespace ostrel
