#pragma once

#include <gtkmm/aboutdialog.h>

namespace quirelle {

// The about box: what the program is, its version and its icon.
class AboutBox : public Gtk::AboutDialog {
  public:
    explicit AboutBox(Gtk::Window& parent);
};

// "GTK " and the version of GTK the program runs on, and the gtkmm it was built with.
Glib::ustring ToolkitVersionText();

}  // namespace quirelle
