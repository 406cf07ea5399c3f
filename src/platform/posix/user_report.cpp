#include "platform/user_report.h"

#include <cstdio>

namespace ostrel {

bool ConnectStandardError() {
  return true;
}

void ShowSystemMessageBox(const std::string& caption, const std::string& text, BoxIcon /*icon*/) {
  // Nowhere else to report to when this fails; the exit code still speaks.
  (void)std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
  (void)std::fflush(stderr);
}

}  // namespace ostrel
