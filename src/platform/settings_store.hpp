#pragma once

#include <filesystem>

#include "platform/settings.hpp"

namespace quirelle {

// Where settings persist. The current environment lives as long as the login; the permanent one
// survives it. "Use" writes the current one, "Save" both.
enum class SettingsScope { Current, Permanent };

// $XDG_RUNTIME_DIR/quirelle/quirelle.ini (else /tmp/quirelle-$UID/quirelle.ini), and
// $XDG_CONFIG_HOME/quirelle/quirelle.ini (else ~/.config/quirelle/quirelle.ini).
std::filesystem::path SettingsFile(SettingsScope scope);

// The stored settings: the current environment's file, or the permanent one where there is no
// current file, as if the permanent settings had been copied at login. Keys missing from the file
// or holding values they cannot take keep their defaults.
Settings LoadSettings();

// False when the file could not be written.
bool SaveSettings(const Settings& settings, SettingsScope scope);

// Writes one setting into the file of `scope`, leaving every other line of it as it was. False
// when the file could not be written.
bool SaveSetting(std::string_view key, std::string_view value, SettingsScope scope);

}  // namespace quirelle
