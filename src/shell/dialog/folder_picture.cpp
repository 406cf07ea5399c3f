#include "shell/dialog/folder_picture.h"

#include <string>
#include <vector>

#include <wx/string.h>

#include "shell/folder_picture_rows.h"

namespace ostrel {

wxBitmap FolderPicture() {
  // The shared rows as an XPM image: a header, one line per colour, then the rows.
  std::vector<std::string> lines;
  lines.push_back(std::to_string(kFolderPictureWidth) + " " + std::to_string(kFolderPictureHeight) +
                  " " + std::to_string(std::size(kFolderPictureColours) + 1) + " 1");
  lines.emplace_back("  c None");
  for (const FolderPictureColour& colour : kFolderPictureColours) {
    lines.push_back(std::string(1, colour.Letter) + " c " +
                    wxString::Format("#%06X", colour.Rgb).ToStdString());
  }
  for (const char* row : kFolderPictureRows)
    lines.emplace_back(row);
  std::vector<const char*> xpm;
  xpm.reserve(lines.size());
  for (const std::string& line : lines)
    xpm.push_back(line.c_str());
  return wxBitmap(xpm.data());
}

}  // namespace ostrel
