#include "app/file_chooser.hpp"

#include <giomm/file.h>
#include <gtkmm/filechooserdialog.h>
#include <gtkmm/filefilter.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "app/modal_loop.hpp"
#include "platform/paths.hpp"

namespace quirelle {

namespace {

std::string Lowercase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

struct WindowDestroy {
    void operator()(GtkWidget* window) const { gtk_window_destroy(GTK_WINDOW(window)); }
};

std::string FilterName(const std::vector<std::string>& suffixes) {
    std::string name;
    for (const std::string& suffix : suffixes) {
        name += (name.empty() ? "*." : ", *.") + suffix;
    }
    return name;
}

}  // namespace

std::vector<std::string> PatternSuffixes(std::string_view pattern) {
    const auto dot = pattern.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    std::string_view rest = pattern.substr(dot + 1);
    if (rest.starts_with('(')) {
        const auto close = rest.find(')');
        rest = rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    }
    std::vector<std::string> suffixes;
    while (true) {
        const auto bar = rest.find('|');
        const std::string_view alternative = rest.substr(0, bar);
        // Wildcards cannot be told to the chooser as a suffix; such a pattern shows everything.
        if (alternative.empty() ||
            alternative.find_first_of("#?*()[]~") != std::string_view::npos) {
            return {};
        }
        suffixes.push_back(Lowercase(alternative));
        if (bar == std::string_view::npos) {
            return suffixes;
        }
        rest.remove_prefix(bar + 1);
    }
}

std::filesystem::path DrawerFolder(std::string_view drawer) {
    std::error_code error;
    std::filesystem::path folder;
    if (Lowercase(drawer) == "ram:") {
        folder = RamDirectory();
    } else if (!drawer.empty() && drawer.find(':') == std::string_view::npos) {
        folder = std::filesystem::absolute(std::filesystem::path(drawer), error);
    }
    if (folder.empty() || error || !std::filesystem::is_directory(folder, error)) {
        return {};
    }
    return folder;
}

FileRequest ChooseFile(Gtk::Window& parent, std::string_view title, bool saveMode,
                       std::string_view pattern, std::string_view drawer) {
    // Made by GTK itself: a chooser of gtkmm's own derived type trips over GTK's widget template
    // when it is destroyed.
    const std::string titleText(title);
    std::unique_ptr<GtkWidget, WindowDestroy> owned(gtk_file_chooser_dialog_new(
        titleText.c_str(), parent.gobj(),
        saveMode ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, "Cancel",
        GTK_RESPONSE_CANCEL, "OK", GTK_RESPONSE_ACCEPT, nullptr));
    if (!owned) {
        return {FileRequest::Result::Failed, {}};
    }
    Gtk::FileChooserDialog& chooser = *Glib::wrap(GTK_FILE_CHOOSER_DIALOG(owned.get()));
    chooser.set_default_response(Gtk::ResponseType::ACCEPT);
    if (const auto suffixes = PatternSuffixes(pattern); !suffixes.empty()) {
        // Suffix filters ignore case, so "BOOK.EPUB" is offered as well as "book.epub".
        auto filter = Gtk::FileFilter::create();
        filter->set_name(FilterName(suffixes));
        for (const std::string& suffix : suffixes) {
            filter->add_suffix(suffix);
        }
        chooser.add_filter(filter);
        auto everything = Gtk::FileFilter::create();
        everything->set_name("All files");
        everything->add_pattern("*");
        chooser.add_filter(everything);
        chooser.set_filter(filter);
    }
    if (const auto folder = DrawerFolder(drawer); !folder.empty()) {
        chooser.set_current_folder(Gio::File::create_for_path(folder.string()));
    } else if (saveMode) {
        // A file to be made, named in a folder that is there: the requester starts there with
        // that name filled in.
        const std::filesystem::path suggested(drawer);
        if (const auto parent = DrawerFolder(suggested.parent_path().string());
            !parent.empty() && suggested.has_filename()) {
            chooser.set_current_folder(Gio::File::create_for_path(parent.string()));
            chooser.set_current_name(suggested.filename().string());
        }
    }

    FileRequest request;
    if (RunModal(chooser) != Gtk::ResponseType::ACCEPT) {
        return request;
    }
    const auto file = chooser.get_file();
    request.result = FileRequest::Result::Chosen;
    // A file without a local path (on a remote share, say) cannot be read; the core takes an
    // empty path as nothing chosen.
    request.path = file ? file->get_path() : std::string();
    return request;
}

}  // namespace quirelle
