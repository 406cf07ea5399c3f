// The picture at the left of a message box: a yellow warning triangle with "!", or a red stop
// disc with a white cross. Drawn with vector graphics, so it is sharp at every screen scale.
#pragma once

#include <wx/window.h>

#include "shell/dialog/message_box.h"

namespace ostrel {

class TMessageIcon : public wxWindow {
 public:
  // size: the side of the square the icon fills.
  TMessageIcon(wxWindow* parent, MessageIcon icon, int size);

  bool AcceptsFocus() const override { return false; }

 private:
  void OnPaint(wxPaintEvent& event);

  MessageIcon icon_;
};

}  // namespace ostrel
