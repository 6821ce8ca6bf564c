#pragma once

#include <giomm/menu.h>
#include <gtkmm/recentmanager.h>
#include <sigc++/trackable.h>

#include <string>

namespace quirelle {

// The books of the desktop's recently-used list, as the "Open Recent" menu shows them: each item
// activates "app.open-recent" with the book's path. The list is GTK's, shared with the file
// chooser and the desktop, so a book opened elsewhere shows here too.
class RecentBooks : public sigc::trackable {
  public:
    // The menu shows this many books, the most recent first.
    static constexpr int kShown = 10;

    RecentBooks();

    Glib::RefPtr<Gio::Menu> menu() const { return menu_; }
    // Puts the book at `path` at the top of the list.
    void Add(const std::string& path);

  private:
    void Refill();

    Glib::RefPtr<Gtk::RecentManager> manager_;
    Glib::RefPtr<Gio::Menu> menu_;
};

}  // namespace quirelle
