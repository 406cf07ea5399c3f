#include "tool/restore/pipe_transform.h"

#include <string>

#include "cipher/block_cipher.h"
#include "cipher/stream_engine.h"
#include "cipher/stream_errors.h"
#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "tool/restore/file_transform.h"

namespace ostrel {
namespace {

// Standard input as a stream of unknown length; a read the system refuses ends the run with the
// system's reason instead of passing for the end of the input.
class PipeInput final : public TStream {
 public:
  explicit PipeInput(int handle) : handle_(handle) {}
  int64_t Size() override { return -1; }
  int64_t Position() override { return position_; }
  void SetPosition(int64_t /*position*/) override {}
  int32_t Read(void* buffer, int32_t count) override {
    const FileTransfer transfer = ReadFromFile(handle_, buffer, count);
    if (transfer.Error != 0)
      throw Exception("cannot read standard input: " + SystemErrorText(transfer.Error));
    position_ += transfer.Bytes;
    return transfer.Bytes;
  }
  int32_t Write(const void* /*buffer*/, int32_t /*count*/) override { return 0; }

 private:
  int handle_;
  int64_t position_ = 0;
};

// Standard output, taking every byte or ending the run with the system's reason.
class PipeOutput final : public ByteSink {
 public:
  explicit PipeOutput(int handle) : handle_(handle) {}
  void Put(const uint8_t* bytes, int64_t count) override {
    while (count > 0) {
      const auto piece = static_cast<int32_t>(std::min<int64_t>(count, 1 << 30));
      const FileTransfer transfer = WriteToFile(handle_, bytes, piece);
      written_ += transfer.Bytes;
      if (transfer.Bytes != piece)
        throw Exception("cannot write standard output: " + SystemErrorText(transfer.Error));
      bytes += piece;
      count -= piece;
    }
  }
  int64_t Written() const { return written_; }

 private:
  int handle_;
  int64_t written_ = 0;
};

// Runs one streaming job and says in plain words why it failed.
template <class Job>
FileOutcome RunStreaming(const Job& job) {
  try {
    return {OutcomeKind::Done, std::string(), job()};
  } catch (const ETruncatedStream&) {
    return {OutcomeKind::Failed, kTruncatedReason, 0};
  } catch (const EFinalBlockRejected&) {
    return {OutcomeKind::Failed, kWrongPassphraseReason, 0, true};
  } catch (const Exception& error) {
    return {OutcomeKind::Failed, error.Message(), 0};
  }
}

}  // namespace

FileOutcome DecryptStreaming(EncryptionMethod method, const CipherKeys& keys, int input, int output,
                             const StreamSchedule& schedule) {
  return RunStreaming([&] {
    const BlockCipher& cipher = keys.CipherFor(method, false);
    PipeInput in(input);
    PipeOutput out(output);
    DecryptStream(in, out, cipher, StreamLayout::kEcb, InputExtent::kToEnd,
                  FinalBlockCheck::kTailCountAndPadding, schedule);
    return out.Written();
  });
}

FileOutcome EncryptStreaming(EncryptionMethod method, const CipherKeys& keys, int input, int output,
                             const StreamSchedule& schedule) {
  return RunStreaming([&] {
    const BlockCipher& cipher = keys.CipherFor(method, true);
    PipeInput in(input);
    PipeOutput out(output);
    EncryptStream(in, out, cipher, StreamLayout::kEcb, InputExtent::kToEnd, schedule);
    return out.Written();
  });
}

FileOutcome VerifyStreaming(EncryptionMethod method, const CipherKeys& keys, int input,
                            const StreamSchedule& schedule) {
  return RunStreaming([&] {
    const BlockCipher& cipher = keys.CipherFor(method, false);
    PipeInput in(input);
    PlainLengthOfStream(in, cipher, StreamLayout::kEcb, FinalBlockCheck::kTailCountAndPadding,
                        schedule);
    return int64_t{0};
  });
}

}  // namespace ostrel
