// Standard input and output carry encrypted and plain bytes, never text to be translated.
#pragma once

namespace ostrel {

// Makes standard input and output pass every byte unchanged (Windows would otherwise turn line
// endings into two bytes and stop reading at Ctrl-Z). Nothing to do where streams are bytes.
void UseBinaryStandardStreams() noexcept;

}  // namespace ostrel
