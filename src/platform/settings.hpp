#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/page_theme.hpp"

namespace quirelle {

// A colour as the colour gadgets hold it: 32 bits per component, all four bytes alike.
struct SettingsColor {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
    bool operator==(const SettingsColor&) const = default;
};

inline constexpr int kMinZoom = 50;
inline constexpr int kMaxZoom = 300;
inline constexpr int kMaxLineLength = 1000;

// Font and size of one kind of element, as typed in the settings window.
struct StyleSetting {
    std::string font = "Arial";
    std::string size = "15";
    bool operator==(const StyleSetting&) const = default;
};

// Everything the user can set. The parts that need a value read it at the moment of use.
struct Settings {
    std::string horizontalMargin = "20";
    std::string verticalMargin = "30";
    StyleSetting standart{"Arial", "15"};
    StyleSetting header1{"Arial", "28"};
    StyleSetting header2{"Arial", "24"};
    StyleSetting header3{"Arial", "22"};
    StyleSetting header4{"Arial", "18"};
    StyleSetting list{"Arial", "15"};
    StyleSetting preformated{"Arial", "15"};
    SettingsColor preformatedColor{0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA};
    StyleSetting strong{"Arial", "15"};
    StyleSetting emphasis{"Arial", "15"};
    StyleSetting hyperlink{"Arial", "15"};
    SettingsColor hyperlinkColor{0xFFFFFFFF, 0, 0};
    bool pagelist = true;
    bool pageslider = false;
    bool css = true;
    bool ignoreToc = true;
    // The colours the page is read in; chosen in the "View" menu.
    PageTheme theme = PageTheme::Day;
    // Where the user left the main window's three dividers, in pixels from the start of their
    // pane; -1 leaves a divider where the window's layout puts it.
    int pagelistDivider = -1;
    int panelDivider = -1;
    int coverDivider = -1;
    // The page's size in percent of the book's own: text, margins and pictures alike. Chosen
    // with the zoom keys; kMinZoom..kMaxZoom.
    int zoom = 100;
    // The widest text column, in em of the body text size ("standart_size"); the margins lie
    // inside it. 0 lets the text run the width of the view.
    int lineLength = 40;

    bool operator==(const Settings&) const = default;

    // The margins as the layout uses them: the text's leading integer, 0 when there is none.
    int HorizontalMarginValue() const;
    int VerticalMarginValue() const;

    // Access by the stored key names ("horizontal_margin", "header_1_font", "css", ...).
    // Set returns false for an unknown key or a value the key cannot take.
    bool Set(std::string_view key, std::string_view value);
    std::optional<std::string> Get(std::string_view key) const;
    static const std::vector<std::string>& Keys();
};

// "#rrggbb" for a colour, and back; a colour text that is not "#rrggbb" gives nothing.
std::string FormatSettingsColor(const SettingsColor& color);
std::optional<SettingsColor> ParseSettingsColor(std::string_view text);

// The leading decimal integer of a gadget's text, as a string gadget reads it; 0 when none.
int LeadingInteger(std::string_view text);

}  // namespace quirelle
