#include "shell/dialog/OstrelDecrypt.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/fontenum.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "shell/dialog/flat_picture_button.h"
#include "shell/dialog/folder_picture.h"
#include "shell/dialog/gtk_native.h"
#include "shell/dialog/request_runner.h"
#include "shell/dialog/toolkit_text.h"
#include "shell/dialog_layout.h"
#include "shell/requests.h"

namespace ostrel {

TForm1* Form1 = nullptr;

namespace {

using dialog_layout::kBtLeftPath;
using dialog_layout::kButton1;
using dialog_layout::kButton2;
using dialog_layout::kButton3;
using dialog_layout::kClientArea;
using dialog_layout::kEdit1;
using dialog_layout::kEdit2;
using dialog_layout::kLabel1;
using dialog_layout::kLabel2;
using dialog_layout::Place;

// Pixels at 96 dots per inch, scaled to the screen's text resolution so that the layout grows
// with the font.
class Scale {
 public:
  explicit Scale(double factor) : factor_(factor) {}
  int operator()(int pixels) const { return static_cast<int>(std::lround(pixels * factor_)); }
  wxPoint Position(const Place& place) const { return {(*this)(place.Left), (*this)(place.Top)}; }
  wxSize Size(const Place& place) const { return {(*this)(place.Width), (*this)(place.Height)}; }

 private:
  double factor_;
};

struct LabelText {
  const char* Text;
  const Place& Where;
  const Place& FieldAtRight;
};

const LabelText kLabels[] = {
    {dialog_layout::kLabel1Text, kLabel1, kEdit1},
    {dialog_layout::kLabel2Text, kLabel2, kEdit2},
};

// Whether every label fits between its left edge and the field at its right.
bool LabelsFit(const wxWindow& window, const wxFont& font, const Scale& scale) {
  return std::all_of(std::begin(kLabels), std::end(kLabels), [&](const LabelText& label) {
    int width = 0;
    int height = 0;
    window.GetTextExtent(label.Text, &width, &height, nullptr, nullptr, &font);
    return width < scale(label.FieldAtRight.Left) - scale(label.Where.Left);
  });
}

// Tahoma 8 point where installed. Elsewhere the system's sans-serif at the same size, in its
// condensed width when the normal one would push the labels into the fields: the layout was made
// for Tahoma, which is narrower. Always set explicitly: GTK's default size is too large for the
// fixed layout.
wxFont DialogFont(const wxWindow& window, const Scale& scale) {
  if (wxFontEnumerator::IsValidFacename("Tahoma"))
    return wxFont(wxFontInfo(8).FaceName("Tahoma"));
  const wxFont sans(wxFontInfo(8).Family(wxFONTFAMILY_SWISS));
  if (LabelsFit(window, sans, scale))
    return sans;
  wxFont condensed(sans);
  if (condensed.SetNativeFontInfoUserDesc("Sans Condensed 8") &&
      LabelsFit(window, condensed, scale)) {
    return condensed;
  }
  return sans;
}

// A label at its place, widened to its text where the font is wider than the one the layout was
// made for, but never into the field at its right.
wxStaticText* CreateLabel(wxWindow* parent, const LabelText& label, const Scale& scale) {
  const wxSize needed = parent->GetTextExtent(label.Text);
  const int left = scale(label.Where.Left);
  const int room = scale(label.FieldAtRight.Left) - left - 1;
  const wxSize size(std::clamp(needed.x + 1, scale(label.Where.Width), room),
                    std::max(needed.y, scale(label.Where.Height)));
  return new wxStaticText(parent, wxID_ANY, label.Text, wxPoint(left, scale(label.Where.Top)), size,
                          wxST_NO_AUTORESIZE);
}

// Marks the dialog busy for the length of one request, also when the request ends in an error.
class RequestFlag {
 public:
  explicit RequestFlag(bool& running) : running_(running) { running_ = true; }
  ~RequestFlag() { running_ = false; }
  RequestFlag(const RequestFlag&) = delete;
  RequestFlag& operator=(const RequestFlag&) = delete;

 private:
  bool& running_;
};

}  // namespace

TForm1::TForm1(UserMessages& messages)
    : wxFrame(nullptr, wxID_ANY, "Ostrel Decryption/Encryption Utility", wxDefaultPosition,
              wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      messages_(messages) {
  const Scale scale(ScreenTextResolution() / 96.0);
  auto* face =
      new wxPanel(this, wxID_ANY, wxDefaultPosition, scale.Size(kClientArea), wxTAB_TRAVERSAL);
  face->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
  face->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
  face->SetFont(DialogFont(*face, scale));

  // Created in this order so that the Tab key visits Edit1, Decrypt, Close, Edit2, Encrypt.
  Label1 = CreateLabel(face, kLabels[0], scale);
  btLeftPath = new TFlatPictureButton(face, wxID_ANY, FolderPicture(), scale.Position(kBtLeftPath),
                                      scale.Size(kBtLeftPath));
  Label2 = CreateLabel(face, kLabels[1], scale);
  Edit1 = new wxTextCtrl(face, wxID_ANY, wxString(), scale.Position(kEdit1), scale.Size(kEdit1));
  Button1 = new wxButton(face, wxID_ANY, "Decrypt", scale.Position(kButton1), scale.Size(kButton1));
  Button2 = new wxButton(face, wxID_ANY, "Close", scale.Position(kButton2), scale.Size(kButton2));
  Edit2 = new wxTextCtrl(face, wxID_ANY, wxString(), scale.Position(kEdit2), scale.Size(kEdit2),
                         wxTE_PASSWORD);
  ShowPasswordCharactersAs(Edit2->GetHandle(), U'*');
  Button3 = new wxButton(face, wxID_ANY, "Encrypt", scale.Position(kButton3), scale.Size(kButton3));
  OpenDialog1 = new wxFileDialog(this, wxFileSelectorPromptStr, wxString(), wxString(),
                                 wxFileSelectorDefaultWildcardStr, wxFD_OPEN);

  btLeftPath->Bind(wxEVT_BUTTON, &TForm1::btLeftPathClick, this);
  Button2->Bind(wxEVT_BUTTON, &TForm1::Button2Click, this);
  Button1->Bind(wxEVT_BUTTON, &TForm1::Button1Click, this);
  Button3->Bind(wxEVT_BUTTON, &TForm1::Button3Click, this);
  Bind(wxEVT_CLOSE_WINDOW, &TForm1::FormClose, this);

  // A fixed frame: its size is its only size.
  SetClientSize(scale.Size(kClientArea));
  SetSizeHints(GetSize(), GetSize());
  CentreOnScreen();
}

TForm1::~TForm1() {
  if (Form1 == this)
    Form1 = nullptr;
}

void TForm1::btLeftPathClick(wxCommandEvent&) {
  if (!lastChosenFile_.empty())
    OpenDialog1->SetPath(lastChosenFile_);
  if (OpenDialog1->ShowModal() != wxID_OK)
    return;
  lastChosenFile_ = OpenDialog1->GetPath();
  Edit1->ChangeValue(lastChosenFile_);
}

void TForm1::Button2Click(wxCommandEvent&) {
  Close();
}

void TForm1::Button1Click(wxCommandEvent&) {
  const std::string path = PathFromToolkit(Edit1->GetValue());
  const std::string passphrase = PassphraseFromToolkit(Edit2->GetValue());
  const RequestFlag running(requestRunning_);
  RunRequest(
      this, "Decrypting", Edit1->GetValue(), RequestProgress::ForDecrypt(path),
      [&](UserMessages& messages, const StopSwitch& stop) {
        DecryptRequest(path, passphrase, messages, &stop);
      },
      messages_);
}

void TForm1::Button3Click(wxCommandEvent&) {
  const std::string path = PathFromToolkit(Edit1->GetValue());
  const std::string passphrase = PassphraseFromToolkit(Edit2->GetValue());
  const RequestFlag running(requestRunning_);
  RunRequest(
      this, "Encrypting", Edit1->GetValue(), RequestProgress::ForEncrypt(path),
      [&](UserMessages& messages, const StopSwitch& stop) {
        EncryptRequest(path, passphrase, messages, stop);
      },
      messages_);
}

void TForm1::FormClose(wxCloseEvent& event) {
  // A request always runs to its end, and the dialog cannot go away under it.
  if (requestRunning_) {
    if (event.CanVeto())
      event.Veto();
    return;
  }
  Destroy();
}

}  // namespace ostrel
