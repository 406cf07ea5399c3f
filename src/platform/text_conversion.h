// Conversion between the system's 8-bit text (the locale's, UTF-8 here) and UTF-16.
// Widening is lossless for every byte string: a byte that does not belong to a well-formed UTF-8
// sequence becomes a lone surrogate U+DC80..U+DCFF, and narrowing turns it back into that byte.
// So a file whose name is not valid UTF-8 still gets an output name made of its own bytes.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

std::u16string WidenSystemText(std::string_view text);

// Inverse of WidenSystemText. UTF-16 that widening cannot produce (a lone surrogate outside
// U+DC80..U+DCFF) is written in the three-byte form its code point would have.
std::string NarrowSystemText(std::u16string_view text);

}  // namespace ostrel
