#pragma once

#include <gtkmm/window.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/frontend.hpp"

namespace quirelle {

// The suffixes a requester pattern such as "#?.(EPU|EPUB)" or "#?.pdf" lets through, in lower
// case and without the dot. A pattern that names no suffix gives none: every file is shown.
std::vector<std::string> PatternSuffixes(std::string_view pattern);

// The folder a requester opens in for the drawer the core names: "Ram:" is the scratch folder,
// a relative drawer such as "Epub" counts from the current folder. Empty when there is no such
// folder, and the chooser then opens where GTK likes.
std::filesystem::path DrawerFolder(std::string_view drawer);
// A save requester also takes a file's path as its drawer: it opens in the file's folder with
// its name filled in.

// The GTK file chooser, run modally over `parent`, with buttons "OK" and "Cancel".
FileRequest ChooseFile(Gtk::Window& parent, std::string_view title, bool saveMode,
                       std::string_view pattern, std::string_view drawer);

}  // namespace quirelle
