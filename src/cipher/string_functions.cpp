#include "cipher/string_functions.h"

#include "cipher/memory_stream.h"
#include "cipher/stream_formats.h"

namespace ostrel {
namespace {

// The stream procedure of one cipher and layout, with its key already bound.
template <class StreamProcedure>
std::string RunOverStrings(std::string_view input, bool encrypt, StreamProcedure procedure) {
  TMemoryStream in(input);
  TMemoryStream work;
  TMemoryStream out;
  if (encrypt) {
    procedure(in, work, true);
    work.SetPosition(0);
    Base64EncodeStream(work, out);
  } else {
    Base64DecodeStream(in, work);
    work.SetPosition(0);
    procedure(work, out, false);
  }
  return out.Bytes();
}

}  // namespace

std::string TripleDesStringEcb(std::string_view input, const uint8_t* key, bool encrypt) {
  return RunOverStrings(input, encrypt, [key](TStream& in, TStream& out, bool forward) {
    TripleDesStreamEcb(in, out, key, forward);
  });
}

std::string TripleDesStringCbc(std::string_view input, const uint8_t* key, bool encrypt) {
  return RunOverStrings(input, encrypt, [key](TStream& in, TStream& out, bool forward) {
    TripleDesStreamCbc(in, out, key, forward);
  });
}

std::string RijndaelStringEcb(std::string_view input, const uint8_t* key, int32_t keyLength,
                              bool encrypt) {
  return RunOverStrings(input, encrypt, [key, keyLength](TStream& in, TStream& out, bool forward) {
    RijndaelStreamEcb(in, out, key, keyLength, forward);
  });
}

std::string RijndaelStringCbc(std::string_view input, const uint8_t* key, int32_t keyLength,
                              bool encrypt) {
  return RunOverStrings(input, encrypt, [key, keyLength](TStream& in, TStream& out, bool forward) {
    RijndaelStreamCbc(in, out, key, keyLength, forward);
  });
}

}  // namespace ostrel
