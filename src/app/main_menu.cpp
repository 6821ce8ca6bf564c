#include "app/main_menu.hpp"

#include <giomm/menuitem.h>
#include <gtkmm/shortcut.h>
#include <gtkmm/shortcutaction.h>
#include <gtkmm/shortcuttrigger.h>

namespace quirelle {

const std::vector<MenuCommand>& MenuCommands() {
    static const std::vector<MenuCommand> commands = {
        {"Project", "Open...", "app.open", "<Control>o"},
        {"Project", "Export...", "app.export", "<Control>e"},
        {"Project", "About...", "app.about", "<Control>question"},
        {"Project", "About GTK...", "app.about-gtk", "<Control>i"},
        {"Project", "Quit...", "app.quit", "<Control>q", true},
        {"View", "Day", "app.theme::day", ""},
        {"View", "Sepia", "app.theme::sepia", ""},
        {"View", "Night", "app.theme::night", ""},
        {"View", "Next Theme", "app.next-theme", "<Control>t"},
        {"View", "Zoom In", "app.zoom-in", "<Control>plus", true},
        {"View", "Zoom Out", "app.zoom-out", "<Control>minus"},
        {"View", "Actual Size", "app.zoom-reset", "<Control>0"},
        {"View", "Full Screen", "app.full-screen", "F11", true},
        {"View", "Find...", "app.find", "<Control>f", true},
        {"Settings", "GTK...", "app.gtk-settings", "<Control>m"},
        {"Settings", "Program...", "app.program-settings", "<Control>p"},
    };
    return commands;
}

Glib::RefPtr<Gio::Menu> BuildMenuModel(const Glib::RefPtr<Gio::Menu>& recentBooks) {
    auto strip = Gio::Menu::create();
    Glib::RefPtr<Gio::Menu> menu;
    Glib::RefPtr<Gio::Menu> group;
    std::string menuName;
    for (const MenuCommand& command : MenuCommands()) {
        if (command.menu != menuName) {
            menuName = command.menu;
            menu = Gio::Menu::create();
            strip->append_submenu(menuName, menu);
            group.reset();
        }
        // Separator bars are drawn between the sections of a menu.
        if (!group || command.startsGroup) {
            group = Gio::Menu::create();
            menu->append_section(group);
        }
        auto item = Gio::MenuItem::create(command.label, command.action);
        if (!command.accelerator.empty()) {
            item->set_attribute_value("accel",
                                      Glib::Variant<Glib::ustring>::create(command.accelerator));
        }
        group->append_item(item);
        if (command.action == "app.open") {
            group->append_submenu("Open Recent", recentBooks);
        }
    }
    return strip;
}

namespace {

// Keys that do what an item does without being shown in the menu: the zoom answers the keypad
// too, and Ctrl+= as Ctrl++ on keyboards where plus needs Shift. As alternatives of a trigger.
std::string OtherKeys(const std::string& action) {
    if (action == "app.zoom-in") {
        return "|<Control>equal|<Control>KP_Add";
    }
    if (action == "app.zoom-out") {
        return "|<Control>KP_Subtract";
    }
    if (action == "app.zoom-reset") {
        return "|<Control>KP_0";
    }
    return "";
}

}  // namespace

Glib::RefPtr<Gtk::ShortcutController> BuildMenuShortcuts() {
    auto shortcuts = Gtk::ShortcutController::create();
    // The menu strip answers its shortcuts wherever the keyboard focus is in the window.
    shortcuts->set_scope(Gtk::ShortcutScope::GLOBAL);
    for (const MenuCommand& command : MenuCommands()) {
        if (command.accelerator.empty()) {
            continue;
        }
        shortcuts->add_shortcut(Gtk::Shortcut::create(
            Gtk::ShortcutTrigger::parse_string(command.accelerator + OtherKeys(command.action)),
            Gtk::NamedAction::create(command.action)));
    }
    return shortcuts;
}

}  // namespace quirelle
