#include "tool/last_block_check.h"

#include <string>

#include "cipher/block_cipher.h"
#include "cipher/ecb_random_access.h"
#include "cipher/handle_random_access.h"
#include "cipher/stream_errors.h"
#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "tool/file_transform.h"

namespace ostrel {

FileOutcome CheckLastBlock(const WorkItem& item, const CipherKeys& keys) {
  const OpenedFile file = OpenExistingFile(item.Input, FileAccess::Read);
  if (file.handle < 0)
    return {OutcomeKind::Failed, SystemErrorText(file.error), 0};
  FileOutcome outcome{OutcomeKind::Done, std::string(), 0};
  try {
    const auto cipher = MakeCipherFor(item.Method, keys.KeyFor(item.Method), false);
    HandleRandomAccess input(file.handle);
    const int64_t size = input.Size();
    const int32_t block = cipher->BlockSize();
    if (size < block || size % block != 0) {
      outcome = {OutcomeKind::Failed, kTruncatedReason, 0};
    } else {
      EcbPlainReader reader(input, *cipher, FinalBlockCheck::kTailCount);
      reader.PlainLength();
    }
  } catch (const ETruncatedStream&) {
    // The size was a whole number of blocks a moment ago.
    outcome = {OutcomeKind::Failed, "the file became shorter while it was read", 0};
  } catch (const EFinalBlockRejected&) {
    outcome = {OutcomeKind::Failed, kWrongPassphraseReason, 0};
  } catch (const Exception& error) {
    outcome = {OutcomeKind::Failed, error.Message(), 0};
  }
  CloseFile(file.handle);
  return outcome;
}

int ChanceDenominator(EncryptionMethod method) {
  return 256 / CipherMethodFor(method).BlockSize;
}

}  // namespace ostrel
