#include "shell/dialog/folder_picture.h"

namespace ostrel {
namespace {

// A closed folder with a tab, lit from the top left: outline, light edge, face and shadow. One
// picture row per line.
// clang-format off
const char* const kFolderXpm[] = {
    "17 15 5 1",
    "  c None",
    "o c #7A5A00",
    "l c #FFF6C0",
    "y c #FFD84A",
    "d c #C89A10",
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

}  // namespace

wxBitmap FolderPicture() {
  return wxBitmap(kFolderXpm);
}

}  // namespace ostrel
