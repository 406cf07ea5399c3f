#include "shell/dialog/flat_picture_button.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>

namespace ostrel {

TFlatPictureButton::TFlatPictureButton(wxWindow* parent, wxWindowID id, const wxBitmap& picture,
                                       const wxPoint& pos, const wxSize& size)
    : wxWindow(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE), picture_(picture) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &TFlatPictureButton::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &TFlatPictureButton::OnLeftDown, this);
  Bind(wxEVT_LEFT_DCLICK, &TFlatPictureButton::OnLeftDown, this);
  Bind(wxEVT_LEFT_UP, &TFlatPictureButton::OnLeftUp, this);
  Bind(wxEVT_MOTION, &TFlatPictureButton::OnMotion, this);
  Bind(wxEVT_ENTER_WINDOW, &TFlatPictureButton::OnEnter, this);
  Bind(wxEVT_LEAVE_WINDOW, &TFlatPictureButton::OnLeave, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &TFlatPictureButton::OnCaptureLost, this);
}

void TFlatPictureButton::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  const wxSize size = GetClientSize();
  dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
  dc.Clear();

  if (IsEnabled() && (hot_ || sunken_)) {
    // The classic one-pixel edge: light above and left, dark below and right; swapped when sunken.
    const wxColour light = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT);
    const wxColour dark = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    const int right = size.x - 1;
    const int bottom = size.y - 1;
    dc.SetPen(wxPen(sunken_ ? dark : light));
    dc.DrawLine(0, bottom, 0, 0);
    dc.DrawLine(0, 0, right, 0);
    dc.SetPen(wxPen(sunken_ ? light : dark));
    dc.DrawLine(right, 0, right, bottom);
    dc.DrawLine(right, bottom, -1, bottom);
  }

  const wxBitmap& picture = IsEnabled() ? picture_ : picture_.ConvertToDisabled();
  const int shift = sunken_ ? 1 : 0;
  dc.DrawBitmap(picture, (size.x - picture.GetWidth()) / 2 + shift,
                (size.y - picture.GetHeight()) / 2 + shift, true);
}

void TFlatPictureButton::OnLeftDown(wxMouseEvent&) {
  if (!HasCapture())
    CaptureMouse();
  held_ = true;
  SetLook(true, true);
}

void TFlatPictureButton::OnLeftUp(wxMouseEvent& event) {
  if (!held_)
    return;
  held_ = false;
  if (HasCapture())
    ReleaseMouse();
  const bool inside = Contains(event.GetPosition());
  SetLook(inside, false);
  if (!inside)
    return;
  wxCommandEvent click(wxEVT_BUTTON, GetId());
  click.SetEventObject(this);
  HandleWindowEvent(click);
}

void TFlatPictureButton::OnMotion(wxMouseEvent& event) {
  const bool inside = Contains(event.GetPosition());
  SetLook(inside, held_ && inside);
}

void TFlatPictureButton::OnEnter(wxMouseEvent&) {
  SetLook(true, sunken_);
}

void TFlatPictureButton::OnLeave(wxMouseEvent&) {
  if (!held_)
    SetLook(false, false);
}

void TFlatPictureButton::OnCaptureLost(wxMouseCaptureLostEvent&) {
  held_ = false;
  SetLook(false, false);
}

bool TFlatPictureButton::Contains(const wxPoint& point) const {
  return wxRect(GetClientSize()).Contains(point);
}

void TFlatPictureButton::SetLook(bool hot, bool sunken) {
  if (hot == hot_ && sunken == sunken_)
    return;
  hot_ = hot;
  sunken_ = sunken;
  Refresh();
}

}  // namespace ostrel
