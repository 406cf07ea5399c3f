// The main dialog: a file, a pass phrase, and the buttons Decrypt, Encrypt and Close. It holds no
// logic beyond handing its two fields to the requests as they stand.
#pragma once

#include <wx/frame.h>
#include <wx/string.h>

#include "shell/user_messages.h"

class wxButton;
class wxFileDialog;
class wxStaticText;
class wxTextCtrl;

namespace ostrel {

class TFlatPictureButton;

class TForm1 : public wxFrame {
 public:
  // messages: where the requests' notes go.
  explicit TForm1(UserMessages& messages);
  ~TForm1() override;

  wxStaticText* Label1;
  wxTextCtrl* Edit1;
  TFlatPictureButton* btLeftPath;
  wxFileDialog* OpenDialog1;
  wxButton* Button1;
  wxButton* Button2;
  wxStaticText* Label2;
  wxTextCtrl* Edit2;
  wxButton* Button3;

  void btLeftPathClick(wxCommandEvent& event);
  void Button2Click(wxCommandEvent& event);
  void Button1Click(wxCommandEvent& event);
  void Button3Click(wxCommandEvent& event);

 private:
  void FormClose(wxCloseEvent& event);

  UserMessages& messages_;
  wxString lastChosenFile_;
  bool requestRunning_ = false;
};

// The one instance, while it is open.
extern TForm1* Form1;

}  // namespace ostrel
