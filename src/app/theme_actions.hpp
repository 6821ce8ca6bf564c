#pragma once

#include <giomm/simpleaction.h>
#include <giomm/simpleactiongroup.h>

#include <string>

#include "app/main_window.hpp"
#include "platform/page_theme.hpp"

namespace quirelle {

// The reading theme as the window offers it: the stateful action "theme" (a string, "day",
// "sepia" or "night", shown as radio items of the "View" menu) and "next-theme", which steps
// through them by a key. A choice repaints the page at once and is kept in the settings, for
// this login and for good, as the user expects of a choice made in a menu.
class ThemeActions {
  public:
    ThemeActions(Gio::SimpleActionGroup& actions, MainWindow& main);

    // The theme the settings name, shown without storing it again.
    void Show(PageTheme theme);
    // The theme the menu's radio items mark.
    std::string Marked() const;

  private:
    void Choose(PageTheme theme);

    MainWindow& main_;
    Glib::RefPtr<Gio::SimpleAction> theme_;
};

}  // namespace quirelle
