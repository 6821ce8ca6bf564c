#include "style/color_value.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quirelle {

// Lets failures print colours as hexadecimal components.
void PrintTo(const ColorComponents& color, std::ostream* os) {
    *os << std::hex << "{0x" << color.red << ", 0x" << color.green << ", 0x" << color.blue << "}";
}

namespace {

// Hexadecimal texts and names keep the 8-bit value in the top byte only.
constexpr ColorComponents Hex(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return {r << 24, g << 24, b << 24};
}

// rgb() texts repeat the 8-bit value in all four bytes.
constexpr ColorComponents Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return {r * 0x01010101u, g * 0x01010101u, b * 0x01010101u};
}

struct ColorCase {
    std::string text;
    ColorComponents expected;
};

void ExpectColors(const ColorCase* begin, const ColorCase* end) {
    for (const ColorCase* c = begin; c != end; ++c) {
        SCOPED_TRACE("text: \"" + c->text + "\"");
        EXPECT_EQ(ParseColorValue(c->text), c->expected);
    }
}

TEST(ParseColorValueTest, NamesAreCssKeywordsInAnyCase) {
    const ColorCase cases[] = {
        // Names that books use most.
        {"chocolate", Hex(0xD2, 0x69, 0x1E)},
        {"lightgrey", Hex(0xD3, 0xD3, 0xD3)},
        {"black", Hex(0, 0, 0)},
        {"white", Hex(0xFF, 0xFF, 0xFF)},
        {"red", Hex(0xFF, 0, 0)},
        {"green", Hex(0, 0x80, 0)},  // CSS green, not the brighter X11 one
        {"gray", Hex(0x80, 0x80, 0x80)},
        {"silver", Hex(0xC0, 0xC0, 0xC0)},
        {"aliceblue", Hex(0xF0, 0xF8, 0xFF)},
        {"lemonchiffon", Hex(0xFF, 0xFA, 0xCD)},
        {"darkslategray", Hex(0x2F, 0x4F, 0x4F)},
        // Further keywords, spelling variants and the ends of the alphabet.
        {"orange", Hex(0xFF, 0xA5, 0)},
        {"navy", Hex(0, 0, 0x80)},
        {"purple", Hex(0x80, 0, 0x80)},
        {"aqua", Hex(0, 0xFF, 0xFF)},
        {"cyan", Hex(0, 0xFF, 0xFF)},
        {"magenta", Hex(0xFF, 0, 0xFF)},
        {"lightblue", Hex(0xAD, 0xD8, 0xE6)},
        {"grey", Hex(0x80, 0x80, 0x80)},
        {"darkgrey", Hex(0xA9, 0xA9, 0xA9)},
        {"lightgray", Hex(0xD3, 0xD3, 0xD3)},
        {"maroon", Hex(0x80, 0, 0)},
        {"teal", Hex(0, 0x80, 0x80)},
        {"rebeccapurple", Hex(0x66, 0x33, 0x99)},
        {"lightgoldenrodyellow", Hex(0xFA, 0xFA, 0xD2)},
        {"yellowgreen", Hex(0x9A, 0xCD, 0x32)},
        // CSS keywords ignore ASCII case.
        {"Red", Hex(0xFF, 0, 0)},
        {"RED", Hex(0xFF, 0, 0)},
        {"ChoColate", Hex(0xD2, 0x69, 0x1E)},
        {"LightGoldenRodYellow", Hex(0xFA, 0xFA, 0xD2)},
        {"AliceBlue", Hex(0xF0, 0xF8, 0xFF)},
    };
    ExpectColors(std::begin(cases), std::end(cases));
}

TEST(ParseColorValueTest, HexadecimalTextsInBothLengthsAndCases) {
    const ColorCase cases[] = {
        {"#FF8000", Hex(0xFF, 0x80, 0)},
        {"#ff8000", Hex(0xFF, 0x80, 0)},
        {"#0A0B0C", Hex(0x0A, 0x0B, 0x0C)},
        {"#aBcDeF", Hex(0xAB, 0xCD, 0xEF)},
        {"#000000", Hex(0, 0, 0)},
        {"#FFFFFF", Hex(0xFF, 0xFF, 0xFF)},
        // The short form doubles each digit.
        {"#F80", Hex(0xFF, 0x88, 0)},
        {"#abc", Hex(0xAA, 0xBB, 0xCC)},
        {"#000", Hex(0, 0, 0)},
        {"#fFf", Hex(0xFF, 0xFF, 0xFF)},
    };
    ExpectColors(std::begin(cases), std::end(cases));
}

TEST(ParseColorValueTest, RgbFunctionsWithNumbersAndPercentages) {
    const ColorCase cases[] = {
        {"rgb(255,128,0)", Rgb(255, 128, 0)},
        {"rgb(255, 128, 0)", Rgb(255, 128, 0)},
        {"rgb(  1 ,\t2 ,\n3  )", Rgb(1, 2, 3)},
        {"RGB(1,2,3)", Rgb(1, 2, 3)},
        {"Rgba(1,2,3)", Rgb(1, 2, 3)},
        // The alpha value is checked but not kept: rgba() still gives its colour.
        {"rgba(255,0,0,0.5)", Rgb(255, 0, 0)},
        {"rgba(255, 0, 0, 50%)", Rgb(255, 0, 0)},
        {"rgb(0,0,255,1)", Rgb(0, 0, 255)},
        {"rgba(10,20,30,0)", Rgb(10, 20, 30)},
        // Percentages are shares of 255, rounded half up.
        {"rgb(50%,0%,100%)", Rgb(128, 0, 255)},
        {"rgb(20%, 40%, 60%)", Rgb(51, 102, 153)},
        {"rgb(12.5%,0,0)", Rgb(32, 0, 0)},
        // Channels outside 0..255 are clamped rather than wrapped.
        {"rgb(256,300,1000)", Rgb(255, 255, 255)},
        {"rgb(-1,-255,0)", Rgb(0, 0, 0)},
        {"rgb(150%,-50%,0)", Rgb(255, 0, 0)},
        {"rgb(99999999999999999999999999,0,0)", Rgb(255, 0, 0)},
        // Fractions and signs are CSS numbers too.
        {"rgb(127.5,0.4,254.6)", Rgb(128, 0, 255)},
        {"rgb(+10,.5,0)", Rgb(10, 1, 0)},
    };
    ExpectColors(std::begin(cases), std::end(cases));
}

TEST(ParseColorValueTest, BlanksAroundTheValueAreIgnored) {
    const ColorCase cases[] = {
        {"  red  ", Hex(0xFF, 0, 0)},      {"\tnavy\n", Hex(0, 0, 0x80)},
        {" #ff0000\r\n", Hex(0xFF, 0, 0)}, {"\f#f00 ", Hex(0xFF, 0, 0)},
        {"  rgb(1,2,3)  ", Rgb(1, 2, 3)},
    };
    ExpectColors(std::begin(cases), std::end(cases));
}

TEST(ParseColorValueTest, TextsThatAreNoColourGiveNothing) {
    const std::string cases[] = {
        // Keywords that are valid CSS but name no colour of their own.
        "transparent",
        "inherit",
        "initial",
        "currentColor",
        "currentcolor",
        "none",
        // Empty or blank.
        "",
        "   ",
        // Names that are not CSS keywords, or not only one.
        "reds",
        "re",
        "darkred2",
        "red blue",
        "light grey",
        "r\xC3\xA9"
        "d",
        // Hexadecimal texts of other shapes or with other characters.
        "#",
        "#F",
        "#FF",
        "#FF00",
        "#FF000",
        "#FF00000",
        "#FF000080",  // alpha forms are not accepted
        "#GG0000",
        "#ff 000",
        "# ff0000",
        "ff0000",
        "#ff0000!important",
        "##f00",
        // rgb() texts that are malformed or carry the wrong number of values.
        "rgb(1,2)",
        "rgb(1,2,3,4,5)",
        "rgb()",
        "rgb(,,)",
        "rgb(1,,3)",
        "rgb(1,2,3,)",
        "rgb(1,2,3",
        "rgb(1,2,3)x",
        "rgb1,2,3)",
        "rgb (1,2,3)",
        "rgb(1,2,x)",
        "rgb(1px,2,3)",
        "rgb(1e2,0,0)",
        "rgb(1.,0,0)",
        "rgb(.,0,0)",
        "rgb(--1,0,0)",
        "rgb(%,0,0)",
        "rgb(1%%,0,0)",
        "rgba(1,2,3,foo)",
        "rgb(255 128 0)",
        "rgb(#ff0000)",
        // Other colour functions are not understood.
        "hsl(120,100%,50%)",
        "hsla(120,100%,50%,0.5)",
        "red(255,0,0)",
        "(255,0,0)",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE("text: \"" + text + "\"");
        EXPECT_EQ(ParseColorValue(text), std::nullopt);
    }
}

TEST(ParseColorValueTest, OverlongTextsAreJudgedByTheirWholeContent) {
    const std::string blanks(5000, ' ');
    const ColorCase accepted[] = {
        {blanks + "red" + blanks, Hex(0xFF, 0, 0)},
        {"rgb(" + blanks + "1," + blanks + "2,3" + blanks + ")", Rgb(1, 2, 3)},
        {"rgb(" + std::string(5000, '9') + ",0," + std::string(5000, '0') + "7)", Rgb(255, 0, 7)},
        {"rgb(0." + std::string(5000, '9') + ",0,0)", Rgb(1, 0, 0)},
    };
    ExpectColors(std::begin(accepted), std::end(accepted));

    const std::string refused[] = {
        std::string(10000, 'a'),
        "red" + std::string(1000, 'x'),
        "#" + std::string(1000, 'f'),
        "#ff0000" + blanks + "x",
        "rgb(" + std::string(10000, ',') + ")",
        "rgb(1,2,3" + blanks,
    };
    for (const std::string& text : refused) {
        SCOPED_TRACE("text of " + std::to_string(text.size()) + " bytes");
        EXPECT_EQ(ParseColorValue(text), std::nullopt);
    }
}

TEST(ParseColorValueTest, ReadsOnlyWithinTheGivenView) {
    // The views end inside a longer text; what follows them must not change the result.
    const std::string text = "#ff00007 red rgb(1,2,3)4)";
    struct Case {
        std::string_view view;
        std::optional<ColorComponents> expected;
    };
    const std::string_view whole = text;
    const Case cases[] = {
        {whole.substr(0, 7), Hex(0xFF, 0, 0)},     // "#ff0000" of "#ff00007"
        {whole.substr(0, 4), Hex(0xFF, 0xFF, 0)},  // "#ff0"
        {whole.substr(9, 2), std::nullopt},        // "re" of "red"
        {whole.substr(9, 3), Hex(0xFF, 0, 0)},
        {whole.substr(13, 10), Rgb(1, 2, 3)},  // "rgb(1,2,3)" before "4)"
        {whole.substr(13, 9), std::nullopt},   // "rgb(1,2,3" without its bracket
        {whole.substr(0, 0), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("view: \"" + std::string(c.view) + "\"");
        EXPECT_EQ(ParseColorValue(c.view), c.expected);
    }
}

// The named colours of CSS with their sRGB values, as 0xRRGGBB, in alphabetical order.
struct CssNamedColor {
    std::string_view name;
    std::uint32_t rgb;
};

constexpr CssNamedColor kCssNamedColors[] = {
    {"aliceblue", 0xF0F8FF},
    {"antiquewhite", 0xFAEBD7},
    {"aqua", 0x00FFFF},
    {"aquamarine", 0x7FFFD4},
    {"azure", 0xF0FFFF},
    {"beige", 0xF5F5DC},
    {"bisque", 0xFFE4C4},
    {"black", 0x000000},
    {"blanchedalmond", 0xFFEBCD},
    {"blue", 0x0000FF},
    {"blueviolet", 0x8A2BE2},
    {"brown", 0xA52A2A},
    {"burlywood", 0xDEB887},
    {"cadetblue", 0x5F9EA0},
    {"chartreuse", 0x7FFF00},
    {"chocolate", 0xD2691E},
    {"coral", 0xFF7F50},
    {"cornflowerblue", 0x6495ED},
    {"cornsilk", 0xFFF8DC},
    {"crimson", 0xDC143C},
    {"cyan", 0x00FFFF},
    {"darkblue", 0x00008B},
    {"darkcyan", 0x008B8B},
    {"darkgoldenrod", 0xB8860B},
    {"darkgray", 0xA9A9A9},
    {"darkgreen", 0x006400},
    {"darkgrey", 0xA9A9A9},
    {"darkkhaki", 0xBDB76B},
    {"darkmagenta", 0x8B008B},
    {"darkolivegreen", 0x556B2F},
    {"darkorange", 0xFF8C00},
    {"darkorchid", 0x9932CC},
    {"darkred", 0x8B0000},
    {"darksalmon", 0xE9967A},
    {"darkseagreen", 0x8FBC8F},
    {"darkslateblue", 0x483D8B},
    {"darkslategray", 0x2F4F4F},
    {"darkslategrey", 0x2F4F4F},
    {"darkturquoise", 0x00CED1},
    {"darkviolet", 0x9400D3},
    {"deeppink", 0xFF1493},
    {"deepskyblue", 0x00BFFF},
    {"dimgray", 0x696969},
    {"dimgrey", 0x696969},
    {"dodgerblue", 0x1E90FF},
    {"firebrick", 0xB22222},
    {"floralwhite", 0xFFFAF0},
    {"forestgreen", 0x228B22},
    {"fuchsia", 0xFF00FF},
    {"gainsboro", 0xDCDCDC},
    {"ghostwhite", 0xF8F8FF},
    {"gold", 0xFFD700},
    {"goldenrod", 0xDAA520},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"greenyellow", 0xADFF2F},
    {"grey", 0x808080},
    {"honeydew", 0xF0FFF0},
    {"hotpink", 0xFF69B4},
    {"indianred", 0xCD5C5C},
    {"indigo", 0x4B0082},
    {"ivory", 0xFFFFF0},
    {"khaki", 0xF0E68C},
    {"lavender", 0xE6E6FA},
    {"lavenderblush", 0xFFF0F5},
    {"lawngreen", 0x7CFC00},
    {"lemonchiffon", 0xFFFACD},
    {"lightblue", 0xADD8E6},
    {"lightcoral", 0xF08080},
    {"lightcyan", 0xE0FFFF},
    {"lightgoldenrodyellow", 0xFAFAD2},
    {"lightgray", 0xD3D3D3},
    {"lightgreen", 0x90EE90},
    {"lightgrey", 0xD3D3D3},
    {"lightpink", 0xFFB6C1},
    {"lightsalmon", 0xFFA07A},
    {"lightseagreen", 0x20B2AA},
    {"lightskyblue", 0x87CEFA},
    {"lightslategray", 0x778899},
    {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xB0C4DE},
    {"lightyellow", 0xFFFFE0},
    {"lime", 0x00FF00},
    {"limegreen", 0x32CD32},
    {"linen", 0xFAF0E6},
    {"magenta", 0xFF00FF},
    {"maroon", 0x800000},
    {"mediumaquamarine", 0x66CDAA},
    {"mediumblue", 0x0000CD},
    {"mediumorchid", 0xBA55D3},
    {"mediumpurple", 0x9370DB},
    {"mediumseagreen", 0x3CB371},
    {"mediumslateblue", 0x7B68EE},
    {"mediumspringgreen", 0x00FA9A},
    {"mediumturquoise", 0x48D1CC},
    {"mediumvioletred", 0xC71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xF5FFFA},
    {"mistyrose", 0xFFE4E1},
    {"moccasin", 0xFFE4B5},
    {"navajowhite", 0xFFDEAD},
    {"navy", 0x000080},
    {"oldlace", 0xFDF5E6},
    {"olive", 0x808000},
    {"olivedrab", 0x6B8E23},
    {"orange", 0xFFA500},
    {"orangered", 0xFF4500},
    {"orchid", 0xDA70D6},
    {"palegoldenrod", 0xEEE8AA},
    {"palegreen", 0x98FB98},
    {"paleturquoise", 0xAFEEEE},
    {"palevioletred", 0xDB7093},
    {"papayawhip", 0xFFEFD5},
    {"peachpuff", 0xFFDAB9},
    {"peru", 0xCD853F},
    {"pink", 0xFFC0CB},
    {"plum", 0xDDA0DD},
    {"powderblue", 0xB0E0E6},
    {"purple", 0x800080},
    {"rebeccapurple", 0x663399},
    {"red", 0xFF0000},
    {"rosybrown", 0xBC8F8F},
    {"royalblue", 0x4169E1},
    {"saddlebrown", 0x8B4513},
    {"salmon", 0xFA8072},
    {"sandybrown", 0xF4A460},
    {"seagreen", 0x2E8B57},
    {"seashell", 0xFFF5EE},
    {"sienna", 0xA0522D},
    {"silver", 0xC0C0C0},
    {"skyblue", 0x87CEEB},
    {"slateblue", 0x6A5ACD},
    {"slategray", 0x708090},
    {"slategrey", 0x708090},
    {"snow", 0xFFFAFA},
    {"springgreen", 0x00FF7F},
    {"steelblue", 0x4682B4},
    {"tan", 0xD2B48C},
    {"teal", 0x008080},
    {"thistle", 0xD8BFD8},
    {"tomato", 0xFF6347},
    {"turquoise", 0x40E0D0},
    {"violet", 0xEE82EE},
    {"wheat", 0xF5DEB3},
    {"white", 0xFFFFFF},
    {"whitesmoke", 0xF5F5F5},
    {"yellow", 0xFFFF00},
    {"yellowgreen", 0x9ACD32},
};

// A table in strict alphabetical order cannot list a name twice, so 148 entries are 148 names.
static_assert(std::size(kCssNamedColors) == 148);
static_assert(std::adjacent_find(std::begin(kCssNamedColors), std::end(kCssNamedColors),
                                 [](const CssNamedColor& a, const CssNamedColor& b) {
                                     return a.name >= b.name;
                                 }) == std::end(kCssNamedColors));

TEST(ParseColorValueTest, EveryCssColourKeywordGivesItsStandardValue) {
    std::vector<ColorCase> cases;
    for (const CssNamedColor& named : kCssNamedColors) {
        // Names are stored like hexadecimal texts: the 8-bit value in the top byte only.
        const ColorComponents expected =
            Hex(named.rgb >> 16 & 0xFF, named.rgb >> 8 & 0xFF, named.rgb & 0xFF);
        std::string upper(named.name);
        for (char& c : upper) {
            c = static_cast<char>(c - 'a' + 'A');
        }
        cases.push_back({std::string(named.name), expected});
        cases.push_back({upper, expected});
    }
    ExpectColors(cases.data(), cases.data() + cases.size());
}

TEST(NamedColorToHexTest, GivesUpperCaseHexOrNothing) {
    struct Case {
        std::string_view name;
        std::optional<std::string_view> expected;
    };
    const Case cases[] = {
        {"chocolate", "#D2691E"},      {"lightgrey", "#D3D3D3"}, {"black", "#000000"},
        {"White", "#FFFFFF"},          {"aliceblue", "#F0F8FF"},  // first in alphabetical order
        {"yellowgreen", "#9ACD32"},                               // last in alphabetical order
        {"transparent", std::nullopt}, {"", std::nullopt},       {"#FF0000", std::nullopt},
        {"zzz", std::nullopt},         {"aaa", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name));
        EXPECT_EQ(NamedColorToHex(c.name), c.expected);
    }
}

TEST(ColorHelpersTest, EachParserTakesOnlyItsOwnForm) {
    EXPECT_EQ(ParseHexColor("#102030"), Hex(0x10, 0x20, 0x30));
    EXPECT_EQ(ParseHexColor("red"), std::nullopt);
    EXPECT_EQ(ParseHexColor("rgb(1,2,3)"), std::nullopt);
    EXPECT_EQ(ParseRgbColor("rgb(1,2,3)"), Rgb(1, 2, 3));
    EXPECT_EQ(ParseRgbColor("#010203"), std::nullopt);
    EXPECT_EQ(ParseRgbColor("red"), std::nullopt);
}

TEST(ColorComponentToIntensityTest, TopByteOver255) {
    struct Case {
        std::uint32_t component;
        double expected;
    };
    const Case cases[] = {
        {0x00000000, 0.0},           {0xFF000000, 1.0},
        {0xFFFFFFFF, 1.0},           {0x80000000, 128.0 / 255.0},
        {0x80808080, 128.0 / 255.0}, {0x80FFFFFF, 128.0 / 255.0},  // the lower bytes never count
        {0x00FFFFFF, 0.0},           {0x01000000, 1.0 / 255.0},
        {0xAAAAAAAA, 170.0 / 255.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "component 0x" << c.component);
        EXPECT_DOUBLE_EQ(ColorComponentToIntensity(c.component), c.expected);
    }
}

TEST(ColorComponentToIntensityTest, AllTextFormsGiveTheSameIntensities) {
    struct Case {
        std::string text;
        double red, green, blue;
    };
    const Case cases[] = {
        {"#FF8000", 1.0, 128.0 / 255.0, 0.0},
        {"#0A0B0C", 10.0 / 255.0, 11.0 / 255.0, 12.0 / 255.0},
        {"rgb(255, 128, 0)", 1.0, 128.0 / 255.0, 0.0},
        {"rgb(100%, 50%, 0%)", 1.0, 128.0 / 255.0, 0.0},
        {"#F80", 1.0, 136.0 / 255.0, 0.0},
        {"gray", 128.0 / 255.0, 128.0 / 255.0, 128.0 / 255.0},
        {"rgb(128,128,128)", 128.0 / 255.0, 128.0 / 255.0, 128.0 / 255.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<ColorComponents> color = ParseColorValue(c.text);
        ASSERT_TRUE(color.has_value());
        EXPECT_DOUBLE_EQ(ColorComponentToIntensity(color->red), c.red);
        EXPECT_DOUBLE_EQ(ColorComponentToIntensity(color->green), c.green);
        EXPECT_DOUBLE_EQ(ColorComponentToIntensity(color->blue), c.blue);
    }
}

TEST(PaintedBackgroundTest, AnUnsetBackgroundIsPaintedWhite) {
    EXPECT_EQ(PaintedBackground(std::nullopt), kWhiteComponents);
    EXPECT_EQ(PaintedBackground(Hex(1, 2, 3)), Hex(1, 2, 3));
    EXPECT_EQ(PaintedBackground(kBlackComponents), kBlackComponents);
}

}  // namespace
}  // namespace quirelle
