// The bytes of a settings file, read as the program reads it at start, saved over and read
// again as "Use" and quitting do; the same bytes as the tool types a user writes by hand, and as
// the file of reading places.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "package/debug_switches.hpp"
#include "platform/place_store.hpp"
#include "platform/settings_store.hpp"
#include "platform/tool_types.hpp"
#include "scratch_file.hpp"

namespace {

// Settings never come from, nor go to, the user's own folders.
const quirelle::fuzzing::ScratchFile& Home() {
    static const quirelle::fuzzing::ScratchFile home("home");
    static const bool pointed = [] {
        setenv("XDG_RUNTIME_DIR", (home.Folder() / "runtime").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home.Folder() / "config").c_str(), 1);
        return true;
    }();
    (void)pointed;
    return home;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Home();
    const auto current = quirelle::SettingsFile(quirelle::SettingsScope::Current);
    std::filesystem::create_directories(current.parent_path());
    quirelle::fuzzing::WriteBytes(current, data, size);

    const quirelle::Settings settings = quirelle::LoadSettings();
    quirelle::SaveSettings(settings, quirelle::SettingsScope::Current);
    // What was read and saved must read back the same, or a setting changes by itself.
    if (quirelle::LoadSettings() != settings) {
        std::abort();
    }
    const quirelle::ToolTypes toolTypes(
        std::string_view(reinterpret_cast<const char*>(data), size));
    quirelle::DebugSwitchesFrom(toolTypes);

    // The same bytes as the file of reading places: read, saved and read again alike.
    const auto places = Home().Folder() / "state" / "places";
    std::filesystem::create_directories(places.parent_path());
    quirelle::fuzzing::WriteBytes(places, data, size);
    const quirelle::PlaceStore store = quirelle::PlaceStore::Load(places);
    store.Save();
    if (quirelle::PlaceStore::Load(places).LastBook() != store.LastBook()) {
        std::abort();
    }
    return 0;
}
