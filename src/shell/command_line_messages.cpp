#include "shell/command_line_messages.h"

#include "platform/user_report.h"

namespace ostrel {

void CommandLineMessages::ShowNote(const std::string& text) {
  if (ConnectStandardError())
    console_.ShowNote(text);
  else
    ShowSystemMessageBox("NOTE", text, BoxIcon::Warning);
}

void CommandLineMessages::ShowError(const std::string& caption, const std::string& text) {
  if (ConnectStandardError())
    console_.ShowError(caption, text);
  else
    ShowSystemMessageBox(caption, text, BoxIcon::Stop);
}

}  // namespace ostrel
