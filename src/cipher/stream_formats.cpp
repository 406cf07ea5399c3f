#include "cipher/stream_formats.h"

#include <algorithm>

#include "cipher/block_cipher.h"
#include "cipher/byte_sink.h"
#include "cipher/stream_engine.h"
#include "cipher/stream_errors.h"
#include "cipher/stream_schedule.h"

namespace ostrel {
namespace {

CipherChoice ChoiceOf(const StreamSchedule& schedule) {
  CipherChoice choice;
  choice.portableRijndael = schedule.portableRijndael;
  choice.tripleDes = schedule.tripleDes;
  return choice;
}

// The stream procedures read their input's whole size and check the tail count alone, so that
// every stream that has ever opened keeps opening.
void RunStream(TStream& input, TStream& output, const BlockCipher& cipher, StreamLayout layout,
               bool encrypt, const StreamSchedule& schedule) {
  StreamSink sink(output);
  if (encrypt) {
    EncryptStream(input, sink, cipher, layout, InputExtent::kSize, schedule);
  } else {
    DecryptStream(input, sink, cipher, layout, InputExtent::kSize, FinalBlockCheck::kTailCount,
                  schedule);
  }
}

}  // namespace

void WriteExact(TStream& stream, const void* buffer, int32_t count) {
  if (count <= 0)
    return;
  if (stream.Write(buffer, count) != count)
    throw EOutputRefused();
}

void StreamSink::Put(const uint8_t* bytes, int64_t count) {
  while (count > 0) {
    const auto piece = static_cast<int32_t>(std::min<int64_t>(count, 1 << 30));
    WriteExact(stream_, bytes, piece);
    bytes += piece;
    count -= piece;
  }
}

void TripleDesStream(TStream& input, TStream& output, const uint8_t* key, StreamLayout layout,
                     bool encrypt, const StreamSchedule& schedule) {
  const auto cipher = MakeTripleDesCipher(key, encrypt, ChoiceOf(schedule));
  RunStream(input, output, *cipher, layout, encrypt, schedule);
}

void RijndaelStream(TStream& input, TStream& output, const uint8_t* key, int32_t keyLength,
                    StreamLayout layout, bool encrypt, const StreamSchedule& schedule) {
  const auto cipher = MakeRijndaelCipher(key, keyLength, encrypt, ChoiceOf(schedule));
  RunStream(input, output, *cipher, layout, encrypt, schedule);
}

void TripleDesStreamEcb(TStream& input, TStream& output, const uint8_t* key, bool encrypt) {
  TripleDesStream(input, output, key, StreamLayout::kEcb, encrypt, StreamSchedule{});
}

void TripleDesStreamCbc(TStream& input, TStream& output, const uint8_t* key, bool encrypt) {
  TripleDesStream(input, output, key, StreamLayout::kCbc, encrypt, StreamSchedule{});
}

void RijndaelStreamEcb(TStream& input, TStream& output, const uint8_t* key, int32_t keyLength,
                       bool encrypt) {
  RijndaelStream(input, output, key, keyLength, StreamLayout::kEcb, encrypt, StreamSchedule{});
}

void RijndaelStreamCbc(TStream& input, TStream& output, const uint8_t* key, int32_t keyLength,
                       bool encrypt) {
  RijndaelStream(input, output, key, keyLength, StreamLayout::kCbc, encrypt, StreamSchedule{});
}

}  // namespace ostrel
