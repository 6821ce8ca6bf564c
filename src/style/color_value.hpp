#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quirelle {

// A colour as the current text style keeps it: one 32-bit component per channel, with the
// channel's 8-bit intensity in the most significant byte. The lower bytes do not count, so two
// forms mean the same colour: hexadecimal texts and colour names store v << 24, while rgb() texts
// and the settings' colour choosers store v in all four bytes (v * 0x01010101).
struct ColorComponents {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;

    friend bool operator==(const ColorComponents&, const ColorComponents&) = default;
};

inline constexpr ColorComponents kBlackComponents{0, 0, 0};
inline constexpr ColorComponents kWhiteComponents{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};

// The page background: empty until a style or element sets one. An unset background is painted
// white and never gets the opaque box drawn behind glyphs on a black background, so it looks
// exactly like white; it stays a separate state so that nothing has to pretend a colour was set.
using BackgroundColor = std::optional<ColorComponents>;

// The colour to paint for a background that may be unset.
constexpr ColorComponents PaintedBackground(const BackgroundColor& background) {
    return background.value_or(kWhiteComponents);
}

// Turns a CSS colour text into components. Understood, with blanks around the text ignored:
//   - a CSS colour keyword (all 148 named colours, ASCII case-insensitive);
//   - "#RRGGBB" and "#RGB" (hexadecimal digits in either case);
//   - "rgb(r, g, b)" and "rgba(r, g, b, a)" with numbers or percentages (see ParseRgbColor).
// Anything else (transparent, inherit, currentColor, other functions, malformed or empty text)
// gives no colour, and the caller must keep the colour it had. Every colour a book gives goes
// through this one function (ParseCssColor builds on it), so that the text, background and
// border colours and the presentational attributes accept and refuse exactly the same texts.
//
// The text is only read within the view's bounds; it need not be NUL-terminated and has no
// length limit.
std::optional<ColorComponents> ParseColorValue(std::string_view text);

// The "#RRGGBB" text of a CSS colour keyword (upper-case digits), or nothing for an unknown name.
// The view points at static storage.
std::optional<std::string_view> NamedColorToHex(std::string_view name);

// "#RRGGBB" or "#RGB" (each digit doubled, as CSS does); components in the top-byte form.
std::optional<ColorComponents> ParseHexColor(std::string_view text);

// "rgb(...)" or "rgba(...)", function name in any case, with three comma-separated channels and an
// optional fourth alpha value that must be a number or percentage but is otherwise ignored, since
// nothing here draws translucent text. A channel is a number (rounded) or a percentage of 255,
// clamped to 0..255; components are in the four-byte form.
// FIXME: The space-separated form "rgb(255 128 0 / 50%)" is not understood yet.
std::optional<ColorComponents> ParseRgbColor(std::string_view text);

// The 0..1 intensity that cairo takes for a stored component: its top byte divided by 255.
double ColorComponentToIntensity(std::uint32_t component);

}  // namespace quirelle
