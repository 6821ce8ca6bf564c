#pragma once

#include <filesystem>
#include <string_view>

namespace quirelle {

// The scratch folder that stands in for the RAM disk: diagnostic dumps go there.
// $QUIRELLE_RAM_DIR, else $XDG_RUNTIME_DIR, else /tmp.
std::filesystem::path RamDirectory();

// A file name on the RAM disk, as "ram:NAME" would be.
std::filesystem::path RamPath(std::string_view fileName);

// The folder that holds the running program; "pic/" and "Quirelle.info" live beside it.
std::filesystem::path ProgramDirectory();

// The user's folder of settings that survive the login: $XDG_CONFIG_HOME, else ~/.config (else a
// folder of the user's own under /tmp, when not even $HOME is set).
std::filesystem::path ConfigHome();

// The user's documents folder (XDG_DOCUMENTS_DIR), else the home folder: where a file made for
// the user, an export, is offered to go.
std::filesystem::path DocumentsFolder();

// The file part of a path inside a book: the text after its last "/" or ":", or the whole text.
std::string_view FilePart(std::string_view path);

// "%s/pic/%s": a picture shipped beside the program.
std::filesystem::path PicturePath(std::string_view fileName);

}  // namespace quirelle
