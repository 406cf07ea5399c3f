#include "shell/dialog/message_icon.h"

#include <algorithm>
#include <memory>

#include <wx/dcclient.h>
#include <wx/graphics.h>

namespace ostrel {
namespace {

void DrawWarning(wxGraphicsContext& gc, double side) {
  const double inset = side * 0.06;
  wxGraphicsPath triangle = gc.CreatePath();
  triangle.MoveToPoint(side / 2, inset);
  triangle.AddLineToPoint(side - inset, side - inset * 1.5);
  triangle.AddLineToPoint(inset, side - inset * 1.5);
  triangle.CloseSubpath();
  gc.SetPen(wxPen(wxColour(0x80, 0x60, 0x00), std::max(1, static_cast<int>(side / 16))));
  gc.SetBrush(wxBrush(wxColour(0xFF, 0xD0, 0x20)));
  gc.DrawPath(triangle);

  // The exclamation mark: a bar narrowing downwards and a dot.
  const double bar = side * 0.11;
  wxGraphicsPath mark = gc.CreatePath();
  mark.MoveToPoint(side / 2 - bar / 2, side * 0.33);
  mark.AddLineToPoint(side / 2 + bar / 2, side * 0.33);
  mark.AddLineToPoint(side / 2 + bar / 4, side * 0.66);
  mark.AddLineToPoint(side / 2 - bar / 4, side * 0.66);
  mark.CloseSubpath();
  mark.AddCircle(side / 2, side * 0.77, bar * 0.6);
  gc.SetPen(*wxTRANSPARENT_PEN);
  gc.SetBrush(*wxBLACK_BRUSH);
  gc.FillPath(mark);
}

void DrawStop(wxGraphicsContext& gc, double side) {
  const double inset = side * 0.06;
  gc.SetPen(wxPen(wxColour(0x80, 0x00, 0x00), std::max(1, static_cast<int>(side / 16))));
  gc.SetBrush(wxBrush(wxColour(0xE0, 0x20, 0x20)));
  gc.DrawEllipse(inset, inset, side - 2 * inset, side - 2 * inset);

  const double near = side * 0.32;
  const double far = side - near;
  gc.SetPen(wxPen(*wxWHITE, std::max(2, static_cast<int>(side * 0.12))));
  gc.StrokeLine(near, near, far, far);
  gc.StrokeLine(far, near, near, far);
}

}  // namespace

TMessageIcon::TMessageIcon(wxWindow* parent, MessageIcon icon, int size)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxSize(size, size), wxBORDER_NONE),
      icon_(icon) {
  SetMinSize(wxSize(size, size));
  Bind(wxEVT_PAINT, &TMessageIcon::OnPaint, this);
}

void TMessageIcon::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  const std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
  if (!gc)
    return;
  gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
  const wxSize size = GetClientSize();
  const double side = std::min(size.x, size.y);
  if (icon_ == MessageIcon::Warning) {
    DrawWarning(*gc, side);
  } else {
    DrawStop(*gc, side);
  }
}

}  // namespace ostrel
