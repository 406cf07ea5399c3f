// What the system offers the tool beyond files, so that the command line offers only what works.
#pragma once

namespace ostrel {

#ifdef _WIN32
// A process hands its children handles, not numbered descriptors a command line could name.
inline constexpr bool kPassphraseDescriptors = false;
// What its users call the window they type commands in.
inline constexpr const char* kTerminalName = "console";
#else
inline constexpr bool kPassphraseDescriptors = true;
inline constexpr const char* kTerminalName = "terminal";
#endif

}  // namespace ostrel
