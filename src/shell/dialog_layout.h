// The main dialog's fixed layout, the same for every toolkit: where each control sits, in client
// pixels at 96 dots per inch (scaled with the screen's setting), and the labels' texts.
#pragma once

namespace ostrel::dialog_layout {

struct Place {
  int Left;
  int Top;
  int Width;
  int Height;
};

inline constexpr Place kClientArea{0, 0, 469, 129};
inline constexpr Place kLabel1{16, 24, 73, 13};
inline constexpr Place kBtLeftPath{407, 21, 22, 21};
inline constexpr Place kLabel2{16, 56, 86, 13};
inline constexpr Place kEdit1{108, 21, 297, 21};
inline constexpr Place kButton1{16, 90, 65, 23};
inline constexpr Place kButton2{360, 90, 65, 23};
inline constexpr Place kEdit2{108, 53, 297, 21};
inline constexpr Place kButton3{108, 90, 65, 23};

inline constexpr const char* kLabel1Text = "File to process:";
inline constexpr const char* kLabel2Text = "Password phrase:";

}  // namespace ostrel::dialog_layout
