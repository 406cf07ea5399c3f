// Base64 text (RFC 4648 alphabet, "=" fill) between streams, for the string functions.
#pragma once

#include "cipher/stream.h"

namespace ostrel {

// Reads input from its position to its end and appends standard Base64 text, one line without
// line breaks.
void Base64EncodeStream(TStream& input, TStream& output);

// Reads Base64 text from its position to its end and appends the bytes it stands for. A
// character outside "+".."z" (blanks and line breaks included) raises Exception "Invalid Base64
// Character"; the bytes of earlier 88-character chunks stay in the output. Characters inside that
// range but outside the alphabet raise nothing and decode to what their value 127 gives. A final
// group of fewer than four characters yields the whole bytes its characters carry: two characters
// one byte, three characters two bytes, a single character none.
void Base64DecodeStream(TStream& input, TStream& output);

}  // namespace ostrel
