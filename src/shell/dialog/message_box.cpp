#include "shell/dialog/message_box.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "shell/dialog/message_icon.h"
#include "shell/dialog/toolkit_text.h"

namespace ostrel {
namespace {

class TMessageBox : public wxDialog {
 public:
  TMessageBox(wxWindow* owner, const wxString& caption, const wxString& text, MessageIcon icon)
      : wxDialog(owner, wxID_ANY, caption, wxDefaultPosition, wxDefaultSize,
                 wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
        copyText_(caption + "\n" + text + "\n") {
    auto* message = new wxStaticText(this, wxID_ANY, text);
    message->Wrap(FromDIP(420));

    auto* body = new wxBoxSizer(wxHORIZONTAL);
    body->Add(new TMessageIcon(this, icon, FromDIP(32)), wxSizerFlags().Top());
    body->AddSpacer(FromDIP(12));
    body->Add(message, wxSizerFlags(1).CentreVertical());

    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();

    auto* layout = new wxBoxSizer(wxVERTICAL);
    layout->Add(body, wxSizerFlags(1).Expand().Border(wxALL, FromDIP(14)));
    layout->Add(ok,
                wxSizerFlags().CentreHorizontal().Border(wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(12)));
    SetSizerAndFit(layout);
    SetMinClientSize(wxSize(FromDIP(200), GetClientSize().y));
    Fit();
    ok->SetFocus();

    // Escape and the close box answer as OK does: the box only ever tells.
    SetEscapeId(wxID_OK);
    Bind(wxEVT_CHAR_HOOK, &TMessageBox::OnCharHook, this);
    if (owner != nullptr) {
      CentreOnParent();
    } else {
      CentreOnScreen();
    }
  }

 private:
  void OnCharHook(wxKeyEvent& event) {
    if (event.GetModifiers() == wxMOD_CONTROL &&
        (event.GetKeyCode() == 'C' || event.GetKeyCode() == WXK_INSERT)) {
      if (wxTheClipboard->Open()) {
        wxTheClipboard->SetData(new wxTextDataObject(copyText_));
        wxTheClipboard->Close();
      }
      return;
    }
    event.Skip();
  }

  wxString copyText_;
};

}  // namespace

void ShowMessageBox(wxWindow* owner, const std::string& caption, const std::string& text,
                    MessageIcon icon) {
  TMessageBox box(owner, ToolkitText(caption), ToolkitText(text), icon);
  box.ShowModal();
}

}  // namespace ostrel
