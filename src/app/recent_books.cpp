#include "app/recent_books.hpp"

#include <giomm/menuitem.h>
#include <glibmm/convert.h>
#include <glibmm/fileutils.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

namespace quirelle {

namespace {

constexpr const char* kEpubType = "application/epub+zip";

}  // namespace

RecentBooks::RecentBooks()
    : manager_(Gtk::RecentManager::get_default()), menu_(Gio::Menu::create()) {
    // The list outlives the window; the connection goes with this object (sigc::trackable).
    manager_->signal_changed().connect(sigc::mem_fun(*this, &RecentBooks::Refill));
    Refill();
}

void RecentBooks::Add(const std::string& path) {
    Gtk::RecentManager::Data data;
    data.mime_type = kEpubType;
    data.app_name = "Quirelle";
    data.app_exec = "quirelle %f";
    try {
        manager_->add_item(Glib::filename_to_uri(path), data);
    } catch (const Glib::Error&) {
        // A path that makes no URI (not absolute) is not listed; the book is open all the same.
    }
}

void RecentBooks::Refill() {
    std::vector<Glib::RefPtr<Gtk::RecentInfo>> books;
    for (const Glib::RefPtr<Gtk::RecentInfo>& info : manager_->get_items()) {
        if (info->is_local() && info->get_mime_type() == kEpubType && info->exists()) {
            books.push_back(info);
        }
    }
    // An entry written by another program may carry no date: it sorts last.
    // Through C: gtkmm's wrapper of the date lets go of a reference GTK never gave it.
    const auto modified = [](const Glib::RefPtr<Gtk::RecentInfo>& info) -> gint64 {
        GDateTime* date = gtk_recent_info_get_modified(info->gobj());
        return date ? g_date_time_to_unix(date) : 0;
    };
    std::stable_sort(books.begin(), books.end(),
                     [&](const auto& a, const auto& b) { return modified(a) > modified(b); });
    menu_->remove_all();
    for (int i = 0; i < static_cast<int>(books.size()) && i < kShown; ++i) {
        const std::string path = Glib::filename_from_uri(books[i]->get_uri());
        auto item = Gio::MenuItem::create(books[i]->get_display_name(), "");
        item->set_action_and_target("app.open-recent", Glib::Variant<Glib::ustring>::create(path));
        menu_->append_item(item);
    }
}

}  // namespace quirelle
