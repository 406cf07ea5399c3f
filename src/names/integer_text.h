// Reading a number field of an encoded name: a run of characters that must read, as a whole, as an
// integer in the usual notation, or else counts as -1.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrel {

// The notation: optional leading blanks (spaces only; a tab is not a blank), an optional "+" or
// "-", then either decimal digits or hexadecimal digits after "$", "x", "X", "0x" or "0X". Digits
// are ASCII only and nothing may follow them. A value outside the signed range of the result type
// is not a number, hexadecimal ones included ("$FFFFFFFF" is -1 for the 32-bit reading because it
// is out of range, not because it wraps).
int32_t ReadInt32OrMinusOne(std::u16string_view text);
int64_t ReadInt64OrMinusOne(std::u16string_view text);

}  // namespace ostrel
