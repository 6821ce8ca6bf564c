#include "app/about_box.hpp"

#include <gtk/gtk.h>
#include <gtkmmconfig.h>

namespace quirelle {

AboutBox::AboutBox(Gtk::Window& parent) {
    set_transient_for(parent);
    set_hide_on_close(true);
    set_program_name("Quirelle");
    set_version(QUIRELLE_VERSION);
    set_comments("A reader for EPUB books.");
    set_logo_icon_name("quirelle");
    set_authors({"The Quirelle developers"});
}

Glib::ustring ToolkitVersionText() {
    return Glib::ustring::compose("GTK %1.%2.%3\ngtkmm %4.%5.%6", gtk_get_major_version(),
                                  gtk_get_minor_version(), gtk_get_micro_version(),
                                  GTKMM_MAJOR_VERSION, GTKMM_MINOR_VERSION, GTKMM_MICRO_VERSION);
}

}  // namespace quirelle
