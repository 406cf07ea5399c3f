#include "tool/restore/final_block_check.h"

#include <cmath>

#include "cipher/block_cipher.h"
#include "cipher/ecb_random_access.h"
#include "cipher/handle_random_access.h"
#include "cipher/stream_errors.h"
#include "tool/restore/file_transform.h"
#include "tool/restore/item_input.h"

namespace ostrel {

EPassphraseCheckFailed::EPassphraseCheckFailed() : Exception(kDamagedReason) {}

namespace {

int64_t CheckMeasured(RandomAccessInput& input, int64_t size, const WorkItem& item,
                      const CipherKeys& keys, bool checkSize, std::string* finalCipherBlock) {
  const BlockCipher& cipher = keys.CipherFor(item.Method, false);
  const int32_t block = cipher.BlockSize();
  if (size < block || size % block != 0)
    throw Exception(kTruncatedReason);
  EcbPlainReader reader(input, cipher, FinalBlockCheck::kTailCountAndPadding);
  int64_t length = 0;
  try {
    length = reader.PlainLength();
  } catch (const ETruncatedStream&) {
    throw Exception("the file became shorter while it was read");
  } catch (const EFinalBlockRejected&) {
    throw EPassphraseCheckFailed();
  }
  if (finalCipherBlock != nullptr)
    finalCipherBlock->assign(reinterpret_cast<const char*>(reader.FinalCipherBlock()),
                             static_cast<size_t>(block));
  if (checkSize && item.PromisedPlainLength &&
      static_cast<uint64_t>(length) != *item.PromisedPlainLength) {
    throw Exception("the name promises " + std::to_string(*item.PromisedPlainLength) +
                    " bytes but the file holds " + std::to_string(length) +
                    " (--ignore-size decrypts it anyway)");
  }
  return length;
}

}  // namespace

int64_t CheckFinalBlock(int handle, const WorkItem& item, const CipherKeys& keys, bool checkSize,
                        std::string* finalCipherBlock) {
  HandleRandomAccess input(handle);
  const int64_t size = input.Size();
  return CheckMeasured(input, size, item, keys, checkSize, finalCipherBlock);
}

int64_t CheckFinalBlock(int handle, int64_t size, const WorkItem& item, const CipherKeys& keys,
                        bool checkSize) {
  HandleRandomAccess input(handle, size);
  return CheckMeasured(input, size, item, keys, checkSize, nullptr);
}

FileOutcome CheckFinalBlockOfFile(const WorkItem& item, const CipherKeys& keys, bool checkSize,
                                  std::string* finalCipherBlock) {
  FileOutcome outcome{OutcomeKind::Done, std::string(), 0};
  try {
    const ItemInput input(item);
    outcome.BytesWritten = CheckFinalBlock(input.Handle(), item, keys, checkSize, finalCipherBlock);
  } catch (const EPassphraseCheckFailed& error) {
    return {OutcomeKind::Failed, error.Message(), 0, true};
  } catch (const Exception& error) {
    return {OutcomeKind::Failed, error.Message(), 0};
  }
  return outcome;
}

double WrongKeyPassChance(EncryptionMethod method) {
  const int32_t block = CipherMethodFor(method).BlockSize;
  double chance = 0;
  for (int32_t tail = 0; tail < block; ++tail)
    chance += std::pow(256.0, -(block - 1 - tail)) / 256.0;
  return chance;
}

}  // namespace ostrel
