#include "style/color_value.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

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

TEST(ParseColorValueTest, EveryCssColourKeywordIsKnown) {
    const std::string_view names[] = {
        "aliceblue",
        "antiquewhite",
        "aqua",
        "aquamarine",
        "azure",
        "beige",
        "bisque",
        "black",
        "blanchedalmond",
        "blue",
        "blueviolet",
        "brown",
        "burlywood",
        "cadetblue",
        "chartreuse",
        "chocolate",
        "coral",
        "cornflowerblue",
        "cornsilk",
        "crimson",
        "cyan",
        "darkblue",
        "darkcyan",
        "darkgoldenrod",
        "darkgray",
        "darkgreen",
        "darkgrey",
        "darkkhaki",
        "darkmagenta",
        "darkolivegreen",
        "darkorange",
        "darkorchid",
        "darkred",
        "darksalmon",
        "darkseagreen",
        "darkslateblue",
        "darkslategray",
        "darkslategrey",
        "darkturquoise",
        "darkviolet",
        "deeppink",
        "deepskyblue",
        "dimgray",
        "dimgrey",
        "dodgerblue",
        "firebrick",
        "floralwhite",
        "forestgreen",
        "fuchsia",
        "gainsboro",
        "ghostwhite",
        "gold",
        "goldenrod",
        "gray",
        "green",
        "greenyellow",
        "grey",
        "honeydew",
        "hotpink",
        "indianred",
        "indigo",
        "ivory",
        "khaki",
        "lavender",
        "lavenderblush",
        "lawngreen",
        "lemonchiffon",
        "lightblue",
        "lightcoral",
        "lightcyan",
        "lightgoldenrodyellow",
        "lightgray",
        "lightgreen",
        "lightgrey",
        "lightpink",
        "lightsalmon",
        "lightseagreen",
        "lightskyblue",
        "lightslategray",
        "lightslategrey",
        "lightsteelblue",
        "lightyellow",
        "lime",
        "limegreen",
        "linen",
        "magenta",
        "maroon",
        "mediumaquamarine",
        "mediumblue",
        "mediumorchid",
        "mediumpurple",
        "mediumseagreen",
        "mediumslateblue",
        "mediumspringgreen",
        "mediumturquoise",
        "mediumvioletred",
        "midnightblue",
        "mintcream",
        "mistyrose",
        "moccasin",
        "navajowhite",
        "navy",
        "oldlace",
        "olive",
        "olivedrab",
        "orange",
        "orangered",
        "orchid",
        "palegoldenrod",
        "palegreen",
        "paleturquoise",
        "palevioletred",
        "papayawhip",
        "peachpuff",
        "peru",
        "pink",
        "plum",
        "powderblue",
        "purple",
        "rebeccapurple",
        "red",
        "rosybrown",
        "royalblue",
        "saddlebrown",
        "salmon",
        "sandybrown",
        "seagreen",
        "seashell",
        "sienna",
        "silver",
        "skyblue",
        "slateblue",
        "slategray",
        "slategrey",
        "snow",
        "springgreen",
        "steelblue",
        "tan",
        "teal",
        "thistle",
        "tomato",
        "turquoise",
        "violet",
        "wheat",
        "white",
        "whitesmoke",
        "yellow",
        "yellowgreen",
    };
    ASSERT_EQ(std::size(names), 148u);
    for (std::string_view name : names) {
        SCOPED_TRACE(std::string(name));
        EXPECT_TRUE(ParseColorValue(name).has_value());
        std::string upper(name);
        for (char& c : upper) {
            c = static_cast<char>(c - 'a' + 'A');
        }
        EXPECT_EQ(ParseColorValue(upper), ParseColorValue(name));
    }
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
