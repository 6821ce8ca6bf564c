#include "platform/settings_store.hpp"

#include <glib.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "platform/paths.hpp"

namespace quirelle {

namespace {

constexpr const char* kGroup = "Quirelle";

struct KeyFileFree {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
struct GFree {
    void operator()(void* memory) const { g_free(memory); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;

std::filesystem::path RuntimeHome() {
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir) {
        return std::filesystem::path(dir) / "quirelle";
    }
    return std::filesystem::path("/tmp") / ("quirelle-" + std::to_string(getuid()));
}

bool ReadInto(const std::filesystem::path& file, Settings& settings) {
    KeyFile keys(g_key_file_new());
    if (!g_key_file_load_from_file(keys.get(), file.c_str(), G_KEY_FILE_NONE, nullptr)) {
        return false;
    }
    for (const std::string& key : Settings::Keys()) {
        std::unique_ptr<char, GFree> value(
            g_key_file_get_string(keys.get(), kGroup, key.c_str(), nullptr));
        if (value) {
            settings.Set(key, value.get());
        }
    }
    return true;
}

}  // namespace

std::filesystem::path SettingsFile(SettingsScope scope) {
    return (scope == SettingsScope::Current ? RuntimeHome() : ConfigHome() / "quirelle") /
           "quirelle.ini";
}

Settings LoadSettings() {
    Settings settings;
    if (!ReadInto(SettingsFile(SettingsScope::Current), settings)) {
        ReadInto(SettingsFile(SettingsScope::Permanent), settings);
    }
    return settings;
}

bool SaveSettings(const Settings& settings, SettingsScope scope) {
    const std::filesystem::path file = SettingsFile(scope);
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    // Keys this version does not know (written by a newer one) survive the rewrite.
    KeyFile keys(g_key_file_new());
    g_key_file_load_from_file(keys.get(), file.c_str(), G_KEY_FILE_KEEP_COMMENTS, nullptr);
    for (const std::string& key : Settings::Keys()) {
        g_key_file_set_string(keys.get(), kGroup, key.c_str(), settings.Get(key)->c_str());
    }
    return g_key_file_save_to_file(keys.get(), file.c_str(), nullptr);
}

}  // namespace quirelle
