// The two spellings of paths: the encrypting desktop's ("\" and ":"), and this host's ("/").
#pragma once

namespace ostrel {

enum class PathStyle { Windows, Posix };

#ifdef _WIN32
inline constexpr PathStyle kHostPathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kHostPathStyle = PathStyle::Posix;
#endif

}  // namespace ostrel
