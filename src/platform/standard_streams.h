// Standard input and output carry encrypted and plain bytes, never text to be translated.
#pragma once

namespace ostrel {

// Makes standard input and output pass every byte unchanged (Windows would otherwise turn line
// endings into two bytes and stop reading at Ctrl-Z). Nothing to do where streams are bytes.
void UseBinaryStandardStreams() noexcept;

// Makes text written to standard output and error show as it is on a console whose code page
// lacks its characters: on Windows, where the console takes UTF-16, a stream that is a console
// is shown through WriteConsoleW; files and pipes still get the UTF-8 bytes. Nothing to do where
// terminals take the bytes as they are.
void ShowStandardTextOnConsole() noexcept;

}  // namespace ostrel
