// The folder button's 17 x 15 picture, the same for every toolkit: a closed folder with a tab, lit
// from the top left. One row per string; the colours below say what each letter is.
#pragma once

#include <cstdint>

namespace ostrel {

inline constexpr int kFolderPictureWidth = 17;
inline constexpr int kFolderPictureHeight = 15;

struct FolderPictureColour {
  char Letter;
  uint32_t Rgb;  // 0xRRGGBB
};

// " " is transparent.
inline constexpr FolderPictureColour kFolderPictureColours[] = {
    {'o', 0x7A5A00},  // outline
    {'l', 0xFFF6C0},  // light edge
    {'y', 0xFFD84A},  // face
    {'d', 0xC89A10},  // shadow
};

// clang-format off
inline constexpr const char* kFolderPictureRows[kFolderPictureHeight] = {
    "                 ",
    " oooooo          ",
    "oyyyyyyo         ",
    "oyyyyyyyoooooooo ",
    "olllllllllllllldo",
    "olyyyyyyyyyyyyydo",
    "olyyyyyyyyyyyyydo",
    "olyyyyyyyyyyyyydo",
    "olyyyyyyyyyyyyydo",
    "olyyyyyyyyyyyyydo",
    "olyyyyyyyyyyyyydo",
    "olyyyyyyyyyyyyydo",
    "olyyyyyyyyyyyyydo",
    "odddddddddddddddo",
    " ooooooooooooooo ",
};
// clang-format on

}  // namespace ostrel
