// A flat button that shows a picture: no frame until the pointer is over it, sunken while it is
// held down, and it never takes the keyboard focus. The look is drawn here rather than by the
// theme, so that it keeps its small fixed size whatever the desktop's theme asks of buttons.
#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

namespace ostrel {

class TFlatPictureButton : public wxWindow {
 public:
  // A click sends wxEVT_BUTTON with id, as a push button does.
  TFlatPictureButton(wxWindow* parent, wxWindowID id, const wxBitmap& picture, const wxPoint& pos,
                     const wxSize& size);

  bool AcceptsFocus() const override { return false; }
  bool AcceptsFocusFromKeyboard() const override { return false; }

 private:
  void OnPaint(wxPaintEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnMotion(wxMouseEvent& event);
  void OnEnter(wxMouseEvent& event);
  void OnLeave(wxMouseEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);
  bool Contains(const wxPoint& point) const;
  void SetLook(bool hot, bool sunken);

  wxBitmap picture_;
  bool hot_ = false;     // the pointer is over the button
  bool held_ = false;    // the left button went down here and is not yet released
  bool sunken_ = false;  // held, with the pointer over the button
};

}  // namespace ostrel
