#pragma once

#include <optional>
#include <string_view>

namespace quirelle {

// The colours the page is read in: the book's own (Day), or mapped onto a warm paper (Sepia) or
// a dark ground (Night). Stored in the settings as "day", "sepia" or "night".
enum class PageTheme { Day, Sepia, Night };

std::optional<PageTheme> ParsePageTheme(std::string_view name);
std::string_view PageThemeName(PageTheme theme);

}  // namespace quirelle
