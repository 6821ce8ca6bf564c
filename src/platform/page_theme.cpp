#include "platform/page_theme.hpp"

namespace quirelle {

std::optional<PageTheme> ParsePageTheme(std::string_view name) {
    for (const PageTheme theme : {PageTheme::Day, PageTheme::Sepia, PageTheme::Night}) {
        if (PageThemeName(theme) == name) {
            return theme;
        }
    }
    return std::nullopt;
}

std::string_view PageThemeName(PageTheme theme) {
    switch (theme) {
        case PageTheme::Sepia:
            return "sepia";
        case PageTheme::Night:
            return "night";
        case PageTheme::Day:
            break;
    }
    return "day";
}

}  // namespace quirelle
