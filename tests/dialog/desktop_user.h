// A person at the virtual display: finds windows by their titles, types, presses keys and clicks
// (through xdotool, as real input events), and looks at what is on the screen and in the
// clipboard (through a connection of its own).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace ostrel::testing_support {

using WindowId = unsigned long;

struct WindowGeometry {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
};

struct SizeLimits {
  int MinWidth = 0;
  int MinHeight = 0;
  int MaxWidth = 0;
  int MaxHeight = 0;
};

struct Colour {
  std::uint8_t Red;
  std::uint8_t Green;
  std::uint8_t Blue;
};

class DesktopUser {
 public:
  static constexpr std::chrono::milliseconds kPatience{20'000};

  explicit DesktopUser(const std::string& display);
  ~DesktopUser();
  DesktopUser(const DesktopUser&) = delete;
  DesktopUser& operator=(const DesktopUser&) = delete;

  // The visible top-level windows titled exactly title, right now.
  std::vector<WindowId> WindowsTitled(const std::string& title) const;
  // Waits until a window titled exactly title is visible.
  std::optional<WindowId> WaitForWindow(const std::string& title,
                                        std::chrono::milliseconds timeout = kPatience) const;
  // Waits until no window titled exactly title is visible.
  bool WaitUntilNoWindow(const std::string& title,
                         std::chrono::milliseconds timeout = kPatience) const;

  // Gives window the keyboard focus and waits until it has it.
  void Focus(WindowId window) const;
  void Type(const std::string& text) const;
  // Keys in xdotool's names, pressed one after the other: "Tab", "ctrl+a", "Return".
  void Press(const std::vector<std::string>& keys) const;
  // A left click at x, y in the window's client coordinates.
  void Click(WindowId window, int x, int y) const;
  // What the close box in a title bar does: asks the window to close.
  void RequestClose(WindowId window) const;

  WindowGeometry Geometry(WindowId window) const;
  std::optional<SizeLimits> SizeLimitsOf(WindowId window) const;
  std::optional<WindowId> OwnerOf(WindowId window) const;
  // The text in the clipboard; empty when nobody offers any within a few seconds.
  std::string ClipboardText() const;
  // The colours of every pixel of the window, row by row.
  std::vector<Colour> Pixels(WindowId window) const;
  // Saves a picture of the window as a PNG file.
  void SaveScreenshot(WindowId window, const std::string& path) const;

 private:
  ToolResult Xdotool(const std::vector<std::string>& arguments) const;

  std::string display_;
  Environment environment_;
  struct Connection;
  Connection* connection_;
};

}  // namespace ostrel::testing_support
