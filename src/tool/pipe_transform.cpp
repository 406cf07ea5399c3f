#include "tool/pipe_transform.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "primitives/secure_wipe.h"
#include "tool/ecb_blocks.h"
#include "tool/file_transform.h"

namespace ostrel {
namespace {

// A whole number of blocks of both ciphers.
constexpr std::size_t kChunk = 256 * 1024;

[[noreturn]] void Fail(const std::string& reason) {
  throw Exception(reason);
}

// Room for one chunk and one block more; the plain text in it is wiped at the end.
class PipeBuffer {
 public:
  explicit PipeBuffer(int32_t blockSize) : bytes_(kChunk + static_cast<std::size_t>(blockSize)) {}
  ~PipeBuffer() { SecureWipe(bytes_.data(), bytes_.size()); }
  PipeBuffer(const PipeBuffer&) = delete;
  PipeBuffer& operator=(const PipeBuffer&) = delete;
  uint8_t* Data() { return bytes_.data(); }

 private:
  std::vector<uint8_t> bytes_;
};

// Fills the whole chunk unless the input ends first; fewer bytes mean the end.
std::size_t ReadChunk(int input, uint8_t* buffer) {
  errno = 0;
  const int32_t got = ReadFromFile(input, buffer, static_cast<int32_t>(kChunk));
  if (static_cast<std::size_t>(got) < kChunk && errno != 0)
    Fail("cannot read standard input: " + SystemErrorText(errno));
  return static_cast<std::size_t>(got);
}

void WriteAll(int output, const uint8_t* bytes, std::size_t count) {
  if (count == 0)
    return;
  errno = 0;
  if (static_cast<std::size_t>(WriteToFile(output, bytes, static_cast<int32_t>(count))) != count)
    Fail("cannot write standard output: " + SystemErrorText(errno != 0 ? errno : EIO));
}

// Reads the input to its end. Every whole block but the last is handed to wholeBlocks as soon as
// it is known not to be the last; at the end the remaining bytes (the last block, or a short
// remainder) are left at the start of the buffer. Returns their count; total is the input length.
template <class WholeBlocks>
std::size_t ReadHoldingBackLastBlock(int input, int32_t blockSize, uint8_t* buffer, int64_t& total,
                                     const WholeBlocks& wholeBlocks) {
  const auto block = static_cast<std::size_t>(blockSize);
  std::size_t held = 0;
  total = 0;
  for (;;) {
    const std::size_t got = ReadChunk(input, buffer + held);
    total += static_cast<int64_t>(got);
    held += got;
    if (got < kChunk)
      return held;
    // A full chunk is a whole number of blocks, so exactly one block stays behind.
    const std::size_t passed = held - block;
    wholeBlocks(buffer, passed / block);
    std::memmove(buffer, buffer + passed, block);
    held = block;
  }
}

void CheckWholeBlocks(int64_t total, int32_t blockSize) {
  if (total < blockSize || total % blockSize != 0)
    Fail(kTruncatedReason);
}

FileOutcome Outcome(int64_t written) {
  return {OutcomeKind::Done, std::string(), written};
}

}  // namespace

FileOutcome DecryptStreaming(EncryptionMethod method, const CipherKeys& keys, int input,
                             int output) {
  try {
    const EcbBlocks cipher(method, keys, false);
    const int32_t block = cipher.BlockSize();
    PipeBuffer buffer(block);
    int64_t written = 0;
    int64_t total = 0;
    const std::size_t held = ReadHoldingBackLastBlock(
        input, block, buffer.Data(), total, [&](uint8_t* bytes, std::size_t count) {
          cipher.Apply(bytes, count);
          WriteAll(output, bytes, count * static_cast<std::size_t>(block));
          written += static_cast<int64_t>(count) * block;
        });
    CheckWholeBlocks(total, block);
    const std::size_t count = held / static_cast<std::size_t>(block);
    cipher.Apply(buffer.Data(), count);
    const std::size_t leading = held - static_cast<std::size_t>(block);
    WriteAll(output, buffer.Data(), leading);
    const uint8_t tail = buffer.Data()[held - 1];
    // Only a wrong key or damaged data give a tail count beyond the block's data bytes.
    if (tail > block - 1)
      Fail(kWrongPassphraseReason);
    WriteAll(output, buffer.Data() + leading, tail);
    return Outcome(written + static_cast<int64_t>(leading) + tail);
  } catch (const Exception& error) {
    return {OutcomeKind::Failed, error.Message(), 0};
  }
}

FileOutcome EncryptStreaming(EncryptionMethod method, const CipherKeys& keys, int input,
                             int output) {
  try {
    const EcbBlocks cipher(method, keys, true);
    const auto block = static_cast<std::size_t>(cipher.BlockSize());
    PipeBuffer buffer(cipher.BlockSize());
    int64_t written = 0;
    for (;;) {
      const std::size_t got = ReadChunk(input, buffer.Data());
      if (got == kChunk) {
        cipher.Apply(buffer.Data(), kChunk / block);
        WriteAll(output, buffer.Data(), kChunk);
        written += static_cast<int64_t>(kChunk);
        continue;
      }
      // The end: the whole blocks, then the final block with the remaining bytes, zeros and
      // their count in its last byte.
      const std::size_t whole = got / block;
      const std::size_t tail = got % block;
      uint8_t* const last = buffer.Data() + whole * block;
      std::memset(last + tail, 0, block - tail);
      last[block - 1] = static_cast<uint8_t>(tail);
      cipher.Apply(buffer.Data(), whole + 1);
      WriteAll(output, buffer.Data(), (whole + 1) * block);
      return Outcome(written + static_cast<int64_t>((whole + 1) * block));
    }
  } catch (const Exception& error) {
    return {OutcomeKind::Failed, error.Message(), 0};
  }
}

FileOutcome VerifyStreaming(EncryptionMethod method, const CipherKeys& keys, int input) {
  try {
    const EcbBlocks cipher(method, keys, false);
    const int32_t block = cipher.BlockSize();
    PipeBuffer buffer(block);
    int64_t total = 0;
    const std::size_t held =
        ReadHoldingBackLastBlock(input, block, buffer.Data(), total, [](uint8_t*, std::size_t) {});
    CheckWholeBlocks(total, block);
    uint8_t* const last = buffer.Data() + held - static_cast<std::size_t>(block);
    cipher.Apply(last, 1);
    if (last[block - 1] > block - 1)
      Fail(kWrongPassphraseReason);
    return Outcome(0);
  } catch (const Exception& error) {
    return {OutcomeKind::Failed, error.Message(), 0};
  }
}

}  // namespace ostrel
