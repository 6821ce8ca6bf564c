#pragma once

#include <gio/gio.h>

namespace quirelle {

// The window's own widgets (menus, lists, dialogs) follow the desktop's dark preference: GTK 4
// on its own does not read it, so the desktop's "color-scheme" setting is mirrored into GTK's
// prefer-dark-theme switch, at start and whenever the user changes it. A desktop without the
// setting leaves GTK as it is. Needs GTK initialised.
class DesktopColorScheme {
  public:
    DesktopColorScheme();
    ~DesktopColorScheme();
    DesktopColorScheme(const DesktopColorScheme&) = delete;
    DesktopColorScheme& operator=(const DesktopColorScheme&) = delete;

    bool Found() const { return settings_ != nullptr; }

  private:
    static void Apply(GSettings* settings);
    static void OnChanged(GSettings* settings, const char* key, void* data);

    GSettings* settings_ = nullptr;
    gulong handler_ = 0;
};

}  // namespace quirelle
