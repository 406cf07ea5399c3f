#include "desktop_user.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cctype>

#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace ostrel::testing_support {
namespace {

constexpr std::chrono::milliseconds kPollInterval{50};

// xdotool matches titles by regular expression: this one matches title and nothing else.
std::string ExactTitlePattern(const std::string& title) {
  std::string pattern = "^";
  for (const char c : title) {
    if (std::string_view(".^$|()[]{}*+?\\").find(c) != std::string_view::npos)
      pattern += '\\';
    pattern += c;
  }
  return pattern + "$";
}

// A pixel's colour from the image's channel masks, each scaled to 0..255.
Colour ColourOf(unsigned long pixel, const XImage& image) {
  const auto channel = [pixel](unsigned long mask) {
    if (mask == 0)
      return std::uint8_t{0};
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
      ++shift;
    const unsigned long maximum = mask >> shift;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / maximum);
  };
  return {channel(image.red_mask), channel(image.green_mask), channel(image.blue_mask)};
}

// A window may go away between finding it and looking at it; that is an answer, not a failure
// of the test program.
int IgnoreErrors(Display*, XErrorEvent*) {
  return 0;
}

}  // namespace

struct DesktopUser::Connection {
  Display* display = nullptr;
};

// xdotool reads the text it types in the locale's encoding, and the tests' text is UTF-8: under
// a caller without a locale (a bare system's C locale) it would type other keys than those asked.
DesktopUser::DesktopUser(const std::string& display)
    : display_(display),
      environment_{{{"DISPLAY", display}, {"LC_ALL", "C.UTF-8"}}, {}},
      connection_(new Connection) {
  XSetErrorHandler(IgnoreErrors);
  connection_->display = XOpenDisplay(display.c_str());
  if (connection_->display == nullptr) {
    delete connection_;
    throw std::runtime_error("cannot open display " + display);
  }
}

DesktopUser::~DesktopUser() {
  XCloseDisplay(connection_->display);
  delete connection_;
}

ToolResult DesktopUser::Xdotool(const std::vector<std::string>& arguments) const {
  std::vector<std::string> words = {"xdotool"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  return RunTool(OSTREL_XDOTOOL, words, environment_);
}

std::vector<WindowId> DesktopUser::WindowsTitled(const std::string& title) const {
  const ToolResult found = Xdotool({"search", "--onlyvisible", "--name", ExactTitlePattern(title)});
  std::vector<WindowId> windows;
  std::istringstream lines(found.Output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
      windows.push_back(std::stoul(line));
    }
  }
  return windows;
}

std::optional<WindowId> DesktopUser::WaitForWindow(const std::string& title,
                                                   std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const std::vector<WindowId> windows = WindowsTitled(title);
    if (!windows.empty())
      return windows.front();
    if (std::chrono::steady_clock::now() >= deadline)
      return std::nullopt;
    std::this_thread::sleep_for(kPollInterval);
  }
}

bool DesktopUser::WaitUntilNoWindow(const std::string& title,
                                    std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!WindowsTitled(title).empty()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(kPollInterval);
  }
  return true;
}

void DesktopUser::Focus(WindowId window) const {
  Xdotool({"windowfocus", "--sync", std::to_string(window)});
}

void DesktopUser::Type(const std::string& text) const {
  // A character outside the keyboard map is typed through a key code remapped for the moment;
  // a busy client that reads the key after the map is restored sees another character. The delay
  // gives it time to catch up, which a loaded test machine needs.
  Xdotool({"type", "--delay", "40", "--", text});
}

void DesktopUser::Press(const std::vector<std::string>& keys) const {
  std::vector<std::string> arguments = {"key", "--delay", "30"};
  arguments.insert(arguments.end(), keys.begin(), keys.end());
  Xdotool(arguments);
}

void DesktopUser::Click(WindowId window, int x, int y) const {
  // Not "--sync": it waits for the pointer to move, which it does not when it is already there.
  // The server handles the move before the click either way.
  Xdotool({"mousemove", "--window", std::to_string(window), std::to_string(x), std::to_string(y),
           "click", "1"});
}

void DesktopUser::RequestClose(WindowId window) const {
  Display* display = connection_->display;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

WindowGeometry DesktopUser::Geometry(WindowId window) const {
  Display* display = connection_->display;
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, window, &attributes);
  int left = 0;
  int top = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &left, &top, &child);
  return {left, top, attributes.width, attributes.height};
}

std::optional<SizeLimits> DesktopUser::SizeLimitsOf(WindowId window) const {
  XSizeHints hints{};
  long supplied = 0;
  if (XGetWMNormalHints(connection_->display, window, &hints, &supplied) == 0)
    return std::nullopt;
  if ((hints.flags & PMinSize) == 0 || (hints.flags & PMaxSize) == 0)
    return std::nullopt;
  return SizeLimits{hints.min_width, hints.min_height, hints.max_width, hints.max_height};
}

std::optional<WindowId> DesktopUser::OwnerOf(WindowId window) const {
  Window owner = 0;
  if (XGetTransientForHint(connection_->display, window, &owner) == 0)
    return std::nullopt;
  return owner;
}

std::string DesktopUser::ClipboardText() const {
  Display* display = connection_->display;
  const Window requestor =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom property = XInternAtom(display, "OSTREL_TEST_CLIPBOARD", False);
  XConvertSelection(display, clipboard, utf8, property, requestor, CurrentTime);
  XFlush(display);

  std::string text;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  XEvent event{};
  while (std::chrono::steady_clock::now() < deadline) {
    if (!XCheckTypedWindowEvent(display, requestor, SelectionNotify, &event)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if (event.xselection.property == None)
      break;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, requestor, property, 0, 1 << 20, True, AnyPropertyType, &type,
                       &format, &count, &remaining, &data);
    if (data != nullptr) {
      text.assign(reinterpret_cast<const char*>(data), count);
      XFree(data);
    }
    break;
  }
  XDestroyWindow(display, requestor);
  return text;
}

std::vector<Colour> DesktopUser::Pixels(WindowId window) const {
  const WindowGeometry geometry = Geometry(window);
  XImage* image =
      XGetImage(connection_->display, window, 0, 0, static_cast<unsigned>(geometry.Width),
                static_cast<unsigned>(geometry.Height), AllPlanes, ZPixmap);
  std::vector<Colour> pixels;
  if (image == nullptr)
    return pixels;
  for (int y = 0; y < geometry.Height; ++y) {
    for (int x = 0; x < geometry.Width; ++x)
      pixels.push_back(ColourOf(XGetPixel(image, x, y), *image));
  }
  XDestroyImage(image);
  return pixels;
}

void DesktopUser::SaveScreenshot(WindowId window, const std::string& path) const {
  RunTool(OSTREL_IMPORT, {"import", "-window", std::to_string(window), path}, environment_);
}

}  // namespace ostrel::testing_support
