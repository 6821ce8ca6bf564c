#include "paint/color_theme.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace quirelle {
namespace {

std::string Hex(RgbaColor color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red, color.green, color.blue);
    return text;
}

RgbaColor FromHex(const char* hex) {
    unsigned r = 0, g = 0, b = 0;
    std::sscanf(hex, "#%02x%02x%02x", &r, &g, &b);
    return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
            static_cast<std::uint8_t>(b), 255};
}

// The hue in degrees, or -1 for a grey.
double Hue(RgbaColor color) {
    const int high = std::max({color.red, color.green, color.blue});
    const int low = std::min({color.red, color.green, color.blue});
    if (high - low < 12) {
        return -1.0;
    }
    const double c = high - low;
    double hue = 0.0;
    if (high == color.red) {
        hue = std::fmod((color.green - color.blue) / c + 6.0, 6.0);
    } else if (high == color.green) {
        hue = (color.blue - color.red) / c + 2.0;
    } else {
        hue = (color.red - color.green) / c + 4.0;
    }
    return hue * 60.0;
}

double Lightness(RgbaColor color) {
    return (std::max({color.red, color.green, color.blue}) +
            std::min({color.red, color.green, color.blue})) /
           510.0;
}

TEST(ColorThemeTest, ContrastFollowsTheWcagFormula) {
    EXPECT_NEAR(ContrastRatio(FromHex("#000000"), FromHex("#ffffff")), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(FromHex("#777777"), FromHex("#ffffff")), 4.48, 0.01);
    EXPECT_NEAR(ContrastRatio(FromHex("#ff0000"), FromHex("#ffffff")), 4.0, 0.01);
    EXPECT_DOUBLE_EQ(ContrastRatio(FromHex("#123456"), FromHex("#123456")), 1.0);
}

// Each text colour a book may use, mapped by Night and by Sepia: the contrast against the
// theme's page is at least 4.5:1, a colour keeps its hue, and Night turns dark text light
// while Sepia keeps or makes it dark. `shown` is what the reader paints.
TEST(ColorThemeTest, TextColoursKeepTheirHueAndReachTheLeastContrast) {
    struct Case {
        PageTheme theme;
        const char* book;
        const char* shown;
        double contrast;  // against the theme's page, to two places
    };
    const Case cases[] = {
        {PageTheme::Night, "#000000", "#dedede", 12.39},  // body text
        {PageTheme::Night, "#333333", "#cccccc", 10.38},
        {PageTheme::Night, "#777777", "#888888", 4.70},
        {PageTheme::Night, "#ffffff", "#dedede", 12.39},  // light text stays light
        {PageTheme::Night, "#ff0000", "#ff2e2e", 4.51},   // the reader's link colour
        {PageTheme::Night, "#00008b", "#7474ff", 4.51},   // dark blue
        {PageTheme::Night, "#006400", "#9bff9b", 13.63},  // dark green
        {PageTheme::Night, "#8b4513", "#eca674", 8.16},   // saddle brown
        {PageTheme::Sepia, "#000000", "#594636", 7.58},   // the ink's brown
        {PageTheme::Sepia, "#777777", "#82664e", 4.50},   // grey: a lighter brown
        {PageTheme::Sepia, "#ffffff", "#594636", 7.58},   // light text turns dark
        {PageTheme::Sepia, "#ff0000", "#d90000", 4.52},
        {PageTheme::Sepia, "#00008b", "#00008b", 12.99},  // dark enough already
        {PageTheme::Sepia, "#1e90ff", "#0069d0", 4.54},   // dodger blue, darkened
    };
    for (const Case& c : cases) {
        const ColorTheme theme(c.theme);
        const RgbaColor book = FromHex(c.book);
        const RgbaColor shown = theme.Text(book);
        SCOPED_TRACE(std::string(PageThemeName(c.theme)) + " " + c.book + " -> " + Hex(shown));
        EXPECT_EQ(Hex(shown), c.shown);
        const double contrast = ContrastRatio(shown, theme.Page());
        EXPECT_GE(contrast, kLeastTextContrast);
        EXPECT_NEAR(contrast, c.contrast, 0.01);
        if (Hue(book) >= 0.0) {
            const double turn = std::abs(Hue(shown) - Hue(book));
            EXPECT_LT(std::min(turn, 360.0 - turn), 3.0);
        }
        if (c.theme == PageTheme::Night) {
            EXPECT_GT(Lightness(shown), 0.5);
        } else {
            EXPECT_LT(Lightness(shown), 0.5);
        }
        EXPECT_EQ(shown.alpha, 255);
    }
}

TEST(ColorThemeTest, BackgroundsStayNearThePageAndDayChangesNothing) {
    struct Case {
        PageTheme theme;
        const char* book;
        const char* shown;
    };
    const Case cases[] = {
        {PageTheme::Day, "#ffffff", "#ffffff"},   {PageTheme::Day, "#123456", "#123456"},
        {PageTheme::Night, "#ffffff", "#1e1e1e"}, {PageTheme::Night, "#000000", "#444444"},
        {PageTheme::Night, "#ffffe0", "#2c2c15"}, {PageTheme::Sepia, "#ffffff", "#f4ecd8"},
        {PageTheme::Sepia, "#000000", "#e3cf9c"},
    };
    for (const Case& c : cases) {
        const ColorTheme theme(c.theme);
        SCOPED_TRACE(std::string(PageThemeName(c.theme)) + " " + c.book + " -> " +
                     Hex(theme.Ground(FromHex(c.book))));
        EXPECT_EQ(Hex(theme.Ground(FromHex(c.book))), c.shown);
        // Body text on any mapped background stays readable.
        if (c.theme != PageTheme::Day) {
            EXPECT_GE(ContrastRatio(theme.Text(FromHex("#000000")), theme.Ground(FromHex(c.book))),
                      kLeastTextContrast);
        }
    }
    EXPECT_EQ(ColorTheme(PageTheme::Day).Text(FromHex("#777777")), FromHex("#777777"));
    const RgbaColor clear{10, 20, 30, 0};
    EXPECT_EQ(ColorTheme(PageTheme::Night).Ground(clear), clear);
}

}  // namespace
}  // namespace quirelle
