#pragma once

#include <giomm/simpleactiongroup.h>

#include "app/main_window.hpp"

namespace quirelle {

// The page's zoom as the window offers it: the actions "zoom-in", "zoom-out" and "zoom-reset"
// (Ctrl+plus, Ctrl+minus, Ctrl+0 in the "View" menu) and Ctrl+wheel over the page. A change
// lays the page out at the new size with the first word in view kept at the top, and is kept in
// the settings, for this login and for good, as the theme chosen in the menu is.
class ZoomActions {
  public:
    ZoomActions(Gio::SimpleActionGroup& actions, MainWindow& main);

    // The zoom the settings name, shown without storing it again.
    void Show(int zoom);

  private:
    void Choose(int zoom);

    MainWindow& main_;
};

}  // namespace quirelle
