#pragma once

#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/entry.h>
#include <gtkmm/notebook.h>
#include <gtkmm/window.h>

#include <map>
#include <string>
#include <string_view>

#include "app/color_popup.hpp"
#include "platform/settings.hpp"

namespace quirelle {

// The window "Settings": the pages "Styles" and "GUI", and "Save", "Use" and "Cancel". Its
// gadgets are where the settings live while the program runs; the rest of the program reads
// them at the moment it needs a value.
class SettingsWindow : public Gtk::Window {
  public:
    SettingsWindow();

    // The values the gadgets hold now. Settings that have no gadget here keep their defaults.
    Settings Read() const;
    // Puts the values into the gadgets; switches that change announce it as a click would.
    void Write(const Settings& settings);

    // The gadget that holds the setting stored under `key`, or nothing when the key has none of
    // that kind.
    Gtk::Entry* TextGadget(std::string_view key) const;
    Gtk::CheckButton* SwitchGadget(std::string_view key) const;
    ColorPopup* ColorGadget(std::string_view key) const;

    // "Use" keeps the settings for this login, "Save" for good; neither closes the window.
    sigc::signal<void()>& signal_use() { return use_; }
    sigc::signal<void()>& signal_save() { return save_; }

  private:
    Gtk::Widget& BuildStylesPage();
    Gtk::Widget& BuildGuiPage();
    Gtk::Entry& AddText(const std::string& key, int widthChars);

    Gtk::Notebook pages_;
    std::map<std::string, Gtk::Entry*, std::less<>> texts_;
    std::map<std::string, Gtk::CheckButton*, std::less<>> switches_;
    std::map<std::string, ColorPopup*, std::less<>> colors_;
    sigc::signal<void()> use_;
    sigc::signal<void()> save_;
};

}  // namespace quirelle
