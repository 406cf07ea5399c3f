// Converting text typed in this system's encoding to the 8-bit code page of another machine, so
// that a pass phrase with letters beyond ASCII gives the bytes that machine digested.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

enum class CodePageResult { Converted, UnknownCodePage, MissingCharacter, InvalidInput };

// Appends to converted the text in codePage (a name the system's converter knows, such as
// "cp1252"). The text is taken in the locale's encoding, or in UTF-8 when the locale names plain
// ASCII (the "C" locale). Nothing is approximated: a character the code page lacks is an error.
// The converter's own buffers are wiped, because the text may be secret.
CodePageResult ConvertToCodePage(std::string_view text, const std::string& codePage,
                                 std::string& converted);

}  // namespace ostrel
