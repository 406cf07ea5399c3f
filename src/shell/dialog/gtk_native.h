// The few things the dialog needs from GTK that wxWidgets does not offer. GTK's C interface is
// declared by hand for these calls, so building needs no GTK development files.
#pragma once

namespace ostrel {

// The text resolution of the screen in dots per inch: 96 unless the desktop sets another.
double ScreenTextResolution();

// Makes a password entry show the given character for each character typed, instead of the
// theme's bullet. nativeEntry: the native handle of a single-line text control; a handle of any
// other kind is left alone.
void ShowPasswordCharactersAs(void* nativeEntry, char32_t character);

}  // namespace ostrel
