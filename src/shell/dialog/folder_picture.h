// The picture on the dialog's browse button.
#pragma once

#include <wx/bitmap.h>

namespace ostrel {

// A 17 x 15 yellow folder, drawn in the source so that nothing is loaded at run time.
wxBitmap FolderPicture();

}  // namespace ostrel
