#include "platform/paths.hpp"

#include <glib.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace quirelle {

namespace {

const char* NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? value : nullptr;
}

}  // namespace

std::filesystem::path DocumentsFolder() {
    if (const char* documents = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS)) {
        std::error_code error;
        if (std::filesystem::is_directory(documents, error)) {
            return documents;
        }
    }
    return g_get_home_dir();
}

std::filesystem::path RamDirectory() {
    if (const char* dir = NonEmptyEnv("QUIRELLE_RAM_DIR")) {
        return dir;
    }
    if (const char* dir = NonEmptyEnv("XDG_RUNTIME_DIR")) {
        return dir;
    }
    return "/tmp";
}

std::filesystem::path RamPath(std::string_view fileName) {
    return RamDirectory() / fileName;
}

std::filesystem::path ProgramDirectory() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::filesystem::current_path(error);
    }
    return self.parent_path();
}

std::filesystem::path ConfigHome() {
    if (const char* dir = NonEmptyEnv("XDG_CONFIG_HOME")) {
        return dir;
    }
    if (const char* home = NonEmptyEnv("HOME")) {
        return std::filesystem::path(home) / ".config";
    }
    return std::filesystem::path("/tmp") / ("quirelle-" + std::to_string(getuid())) / "config";
}

std::string_view FilePart(std::string_view path) {
    const auto cut = path.find_last_of("/:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::filesystem::path PicturePath(std::string_view fileName) {
    return ProgramDirectory() / "pic" / fileName;
}

}  // namespace quirelle
