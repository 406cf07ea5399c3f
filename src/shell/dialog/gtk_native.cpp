#include "shell/dialog/gtk_native.h"

#include <cstddef>
#include <cstdint>

// GTK 3's stable C interface, as far as used here.
extern "C" {
using gboolean = int;
using GType = std::size_t;
struct GdkScreen;
struct GTypeInstance;
GdkScreen* gdk_screen_get_default();
double gdk_screen_get_resolution(GdkScreen* screen);
GType gtk_entry_get_type();
gboolean g_type_check_instance_is_a(GTypeInstance* instance, GType type);
void gtk_entry_set_invisible_char(void* entry, std::uint32_t character);
}

namespace ostrel {

double ScreenTextResolution() {
  GdkScreen* screen = gdk_screen_get_default();
  const double resolution = screen != nullptr ? gdk_screen_get_resolution(screen) : -1.0;
  return resolution > 0.0 ? resolution : 96.0;
}

void ShowPasswordCharactersAs(void* nativeEntry, char32_t character) {
  if (nativeEntry == nullptr ||
      !g_type_check_instance_is_a(static_cast<GTypeInstance*>(nativeEntry), gtk_entry_get_type())) {
    return;
  }
  gtk_entry_set_invisible_char(nativeEntry, static_cast<std::uint32_t>(character));
}

}  // namespace ostrel
