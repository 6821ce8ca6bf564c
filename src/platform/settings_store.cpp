#include "platform/settings_store.hpp"

#include <glib.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <string_view>

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

// Whether `line` is one GKeyFile reads: blank, a comment, a group header or "key=value", in
// UTF-8 without control characters.
bool IsKeyFileLine(std::string_view line, bool inGroup) {
    if (!g_utf8_validate(line.data(), static_cast<gssize>(line.size()), nullptr)) {
        return false;
    }
    for (const char c : line) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            return false;
        }
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') {
        return true;
    }
    if (line[first] == '[') {
        const std::size_t close = line.find(']', first);
        return close != std::string_view::npos && close > first + 1 &&
               line.find_first_of("[]", first + 1) == close &&
               line.find_first_not_of(" \t", close + 1) == std::string_view::npos;
    }
    const std::size_t equals = line.find('=');
    if (!inGroup || equals == std::string_view::npos) {
        return false;
    }
    const std::string_view key = line.substr(first, equals - first);
    return key.find_first_not_of(
               "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-. \t") ==
               std::string_view::npos &&
           key.find_first_not_of(" \t") != std::string_view::npos;
}

// The lines of a damaged key file that can still be read, in their order.
std::string ReadableLines(std::string_view text) {
    std::string kept;
    bool inGroup = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (IsKeyFileLine(line, inGroup)) {
            const std::size_t first = line.find_first_not_of(" \t");
            inGroup = inGroup || (first != std::string_view::npos && line[first] == '[');
            kept.append(line).push_back('\n');
        }
    }
    return kept;
}

// Tells the user once per run that a settings file was damaged: the settings it lost are back
// at their defaults, which would otherwise look like the program forgetting them.
void ReportDamage(const std::filesystem::path& file) {
    static std::set<std::string> reported;
    if (reported.insert(file.string()).second) {
        std::fprintf(stderr,
                     "quirelle: %s is damaged; the settings that could not be read from it keep "
                     "their defaults\n",
                     file.c_str());
    }
}

enum class KeyFileRead { Missing, Whole, Damaged };

// Loads `file` into `keys`. A file that GKeyFile refuses as a whole (one bad line is enough) is
// read again without its unreadable lines, so that the settings it still holds are not lost
// and the next save keeps them.
KeyFileRead LoadKeyFile(const std::filesystem::path& file, GKeyFile* keys, GKeyFileFlags flags) {
    char* contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(file.c_str(), &contents, &length, nullptr)) {
        return KeyFileRead::Missing;
    }
    const std::unique_ptr<char, GFree> owned(contents);
    if (g_key_file_load_from_data(keys, contents, length, flags, nullptr)) {
        return KeyFileRead::Whole;
    }
    ReportDamage(file);
    const std::string readable = ReadableLines(std::string_view(contents, length));
    g_key_file_load_from_data(keys, readable.data(), readable.size(), flags, nullptr);
    return KeyFileRead::Damaged;
}

// Applies the keys of `file` to `settings`.
KeyFileRead ReadInto(const std::filesystem::path& file, Settings& settings) {
    KeyFile keys(g_key_file_new());
    const KeyFileRead read = LoadKeyFile(file, keys.get(), G_KEY_FILE_NONE);
    for (const std::string& key : Settings::Keys()) {
        std::unique_ptr<char, GFree> value(
            g_key_file_get_string(keys.get(), kGroup, key.c_str(), nullptr));
        if (value) {
            settings.Set(key, value.get());
        }
    }
    return read;
}

}  // namespace

std::filesystem::path SettingsFile(SettingsScope scope) {
    return (scope == SettingsScope::Current ? RuntimeHome() : ConfigHome() / "quirelle") /
           "quirelle.ini";
}

Settings LoadSettings() {
    Settings settings;
    const std::filesystem::path current = SettingsFile(SettingsScope::Current);
    const KeyFileRead read = ReadInto(current, settings);
    if (read == KeyFileRead::Whole) {
        return settings;
    }
    // Without a current file, or with a damaged one, the permanent settings stand in for what
    // it does not hold; what a damaged one still holds is laid over them.
    settings = Settings();
    ReadInto(SettingsFile(SettingsScope::Permanent), settings);
    if (read == KeyFileRead::Damaged) {
        ReadInto(current, settings);
    }
    return settings;
}

bool SaveSettings(const Settings& settings, SettingsScope scope) {
    const std::filesystem::path file = SettingsFile(scope);
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    // Keys this version does not know (written by a newer one) survive the rewrite.
    KeyFile keys(g_key_file_new());
    LoadKeyFile(file, keys.get(), G_KEY_FILE_KEEP_COMMENTS);
    for (const std::string& key : Settings::Keys()) {
        g_key_file_set_string(keys.get(), kGroup, key.c_str(), settings.Get(key)->c_str());
    }
    return g_key_file_save_to_file(keys.get(), file.c_str(), nullptr);
}

bool SaveSetting(std::string_view key, std::string_view value, SettingsScope scope) {
    const std::filesystem::path file = SettingsFile(scope);
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    KeyFile keys(g_key_file_new());
    LoadKeyFile(file, keys.get(), G_KEY_FILE_KEEP_COMMENTS);
    g_key_file_set_string(keys.get(), kGroup, std::string(key).c_str(), std::string(value).c_str());
    return g_key_file_save_to_file(keys.get(), file.c_str(), nullptr);
}

}  // namespace quirelle
