#include "tool/last_block_check.h"

#include <string>

#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "platform/file_status.h"
#include "primitives/secure_wipe.h"
#include "tool/ecb_blocks.h"
#include "tool/file_transform.h"

namespace ostrel {

FileOutcome CheckLastBlock(const WorkItem& item, const CipherKeys& keys) {
  const OpenedFile file = OpenExistingFile(item.Input, FileAccess::Read);
  if (file.handle < 0)
    return {OutcomeKind::Failed, SystemErrorText(file.error), 0};
  FileOutcome outcome{OutcomeKind::Done, std::string(), 0};
  const EcbBlocks cipher(item.Method, keys, false);
  const int32_t block = cipher.BlockSize();
  const FileStatus status = StatusOfHandle(file.handle);
  uint8_t last[16] = {};
  if (status.Error != 0) {
    outcome = {OutcomeKind::Failed, SystemErrorText(status.Error), 0};
  } else if (status.Size < block || status.Size % block != 0) {
    outcome = {OutcomeKind::Failed, kTruncatedReason, 0};
  } else if (SeekFile(file.handle, status.Size - block, SeekOrigin::Beginning) < 0 ||
             ReadFromFile(file.handle, last, block) != block) {
    outcome = {OutcomeKind::Failed, "the file became shorter while it was read", 0};
  } else {
    cipher.Apply(last, 1);
    if (last[block - 1] > block - 1)
      outcome = {OutcomeKind::Failed, kWrongPassphraseReason, 0};
  }
  SecureWipe(last);
  CloseFile(file.handle);
  return outcome;
}

int ChanceDenominator(EncryptionMethod method) {
  return 256 / CipherMethodFor(method).BlockSize;
}

}  // namespace ostrel
