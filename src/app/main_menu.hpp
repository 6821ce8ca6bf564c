#pragma once

#include <giomm/menu.h>
#include <gtkmm/shortcutcontroller.h>

#include <string>
#include <vector>

namespace quirelle {

// One item of the menu strip.
struct MenuCommand {
    std::string menu;          // "Project", "View" or "Settings"
    std::string label;         // as shown, "Open..."
    std::string action;        // the action it activates, "app.open", or "app.theme::night"
    std::string accelerator;   // its key in GTK's notation; none for a choice of several
    bool startsGroup = false;  // a separator bar above it
};

// The menu strip, top to bottom.
const std::vector<MenuCommand>& MenuCommands();

// The menus for a Gtk::PopoverMenuBar, with each item's shortcut shown beside it, and the
// "Open Recent" submenu `recentBooks` under "Open...".
Glib::RefPtr<Gio::Menu> BuildMenuModel(const Glib::RefPtr<Gio::Menu>& recentBooks);

// The items' shortcuts, working anywhere in the window they are added to.
Glib::RefPtr<Gtk::ShortcutController> BuildMenuShortcuts();

}  // namespace quirelle
