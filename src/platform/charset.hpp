#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quirelle {

// Book text (UTF-8) in the character set of the user's locale, for interface gadgets; nothing
// when it cannot be converted. Text drawn with cairo stays UTF-8.
std::optional<std::string> ToSystemCharset(std::string_view utf8);

// The way back, for output that must be UTF-8 whatever the locale.
std::optional<std::string> FromSystemCharset(std::string_view text);

// Makes the program's locale the user's, falling back to UTF-8 character handling when the
// environment names no locale at all (the bare "C" locale cannot show book text).
void UseUserLocale();

}  // namespace quirelle
