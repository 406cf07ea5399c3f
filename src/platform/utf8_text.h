// UTF-8 that carries more than well-formed text, in two ways.
// A byte that does not belong to a well-formed sequence always widens to a lone surrogate
// U+DC80..U+DCFF; what differs is how lone surrogates of UTF-16 narrow:
// - kEscapedBytes, for names that are bytes (POSIX): U+DC80..U+DCFF narrow back to their bytes,
//   so every byte string comes back; other lone surrogates take the three-byte form their code
//   point would have, which widens as invalid bytes.
// - kThreeByteForms, for names that are UTF-16 (Windows): every lone surrogate takes its
//   three-byte form and widens back to itself, so every UTF-16 string comes back, paired or not.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

enum class LoneSurrogates { kEscapedBytes, kThreeByteForms };

std::u16string WidenUtf8(std::string_view text, LoneSurrogates surrogates);
std::string NarrowUtf8(std::u16string_view text, LoneSurrogates surrogates);

}  // namespace ostrel
