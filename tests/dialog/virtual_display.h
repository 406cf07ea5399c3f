// An X server of its own for a test: Xvfb on a free display number, with one 1024 x 768 screen
// at 96 dots per inch and no window manager.
#pragma once

#include <sys/types.h>

#include <string>

namespace ostrel::testing_support {

class VirtualDisplay {
 public:
  static constexpr int kScreenWidth = 1024;
  static constexpr int kScreenHeight = 768;

  // Returns once the server accepts connections; throws when it does not start within 20 s.
  VirtualDisplay();
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  // The value for DISPLAY, such as ":3".
  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

}  // namespace ostrel::testing_support
