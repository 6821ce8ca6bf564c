#include "style/style_sheet.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "style/color_value.hpp"
#include "style/style_values.hpp"

namespace quirelle {
namespace {

TEST(StripStyleTextTest, CommentsAndBlanksGoAndEverythingElseStays) {
    struct Case {
        std::string text;
        std::string kept;
    };
    const Case cases[] = {
        {"p { color : red }", "p{color:red}"},
        {"/* a comment */p{color:red}", "p{color:red}"},
        {"a/*x*/b/* y */c", "abc"},
        {"p{color:red}/* never closed h1{color:blue}", "p{color:red}"},
        // A slash that opens no comment keeps what follows it.
        {"body{background-image:url(\"images/a.png\")}h1{color:red}",
         "body{background-image:url(\"images/a.png\")}h1{color:red}"},
        {"p{font:12px/1.5 serif}h2{color:blue}", "p{font:12px/1.5serif}h2{color:blue}"},
        {"p{font-family:\"Times New Roman\"}", "p{font-family:\"TimesNewRoman\"}"},
        {"h1{\tcolor:\xC3\xA9red;\r\n}", "h1{color:red;}"},
        {"/**/", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(StripStyleText(c.text), c.kept);
    }
}

TEST(StyleSheetTest, TheFirstRuleWhoseSelectorListHoldsTheKeyExactlyIsFound) {
    StyleSheet sheet;
    sheet.ParseStyleSheet(
        "@charset \"UTF-8\";\n"
        "p { color: red }\n"
        "h1, h2 { color: blue }\n"
        "div p { color: green }\n"
        "P { color: black }\n"
        "p { color: gray }\n"
        "p[epub|type=\"epigraph\"] { font-style: italic }\n",
        false);
    ASSERT_EQ(sheet.styleRuleCount(), 6);
    const struct {
        const char* key;
        int rule;
    } cases[] = {
        {"p", 0},  // behind the charset rule, cut off from it by the semicolon; beats rule 4
        {"h1", 1},
        {"h2", 1},
        {"divp", 2},
        {"div", -1},
        {"P", 3},
        {"h3", -1},
        {"p[epub|type=\"epigraph\"]", 5},
        {"", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(sheet.FindStyleRule(c.key, false), c.rule);
    }
    // A later sheet never beats an earlier one, and its own rules are found after them.
    sheet.ParseStyleSheet("p{color:blue}h3{color:blue}", false);
    EXPECT_EQ(sheet.FindStyleRule("p", false), 0);
    EXPECT_EQ(sheet.FindStyleRule("h3", false), 7);
}

TEST(StyleSheetTest, AnEmptyBlockShiftsTheRestOfItsText) {
    StyleSheet sheet;
    sheet.ParseStyleSheet("p{}h1{color:red}", false);
    // "p" takes "h1" as its declarations; "color:red" is a selector list without a block.
    ASSERT_EQ(sheet.styleRuleCount(), 1);
    EXPECT_EQ(sheet.rules()[0].Element, "p");
    EXPECT_EQ(sheet.rules()[0].Raw, "h1");
    EXPECT_EQ(sheet.FindStyleRule("h1", false), -1);
    // The next text starts afresh with a selector list.
    sheet.ParseStyleSheet("h2{color:blue}", false);
    EXPECT_EQ(sheet.FindStyleRule("h2", false), 1);
}

TEST(StyleSheetTest, AStyleElementIsReadOncePerBook) {
    StyleSheet sheet;
    for (int load = 0; load < 3; ++load) {
        sheet.AddStyleBlock("p{color:red}", false);
    }
    sheet.AddStyleBlock("h1{color:blue}", false);
    EXPECT_EQ(sheet.styleRuleCount(), 2);
    sheet.Clear();
    sheet.AddStyleBlock("p{color:red}", false);
    EXPECT_EQ(sheet.styleRuleCount(), 1) << "a new book reads it again";
}

TEST(StyleSheetTest, NothingIsCutForLengthAndTheTableGrowsPastFiveThousandRules) {
    StyleSheet sheet;
    const std::string longSelector(5000, 'x');
    const std::string longValue = "\"" + std::string(3000, 'F') + "\"";
    std::string text;
    for (int i = 0; i < 6000; ++i) {
        text += "p.c" + std::to_string(i) + "{color:red}";
    }
    text += longSelector + "{font-family:" + longValue + "}";
    sheet.ParseStyleSheet(text, false);
    EXPECT_EQ(sheet.styleRuleCount(), 6001);
    EXPECT_EQ(sheet.FindStyleRule("p.c5999", false), 5999);
    ASSERT_EQ(sheet.FindStyleRule(longSelector, false), 6000);
    EXPECT_EQ(sheet.rules()[6000].Font, longValue);
}

TEST(ParseDeclarationsTest, NamesAndValuesAlternateAndOnlyKnownNamesCount) {
    struct Case {
        std::string raw;
        std::string StyleRule::*field;
        std::string value;
    };
    const Case cases[] = {
        {"color:red;font-size:2em", &StyleRule::Color, "red"},
        {"color:red;font-size:2em", &StyleRule::Fontsize, "2em"},
        {"text-align:center", &StyleRule::Align, "center"},
        {"align:right", &StyleRule::Pic_Align, "right"},
        {"text-decoration:underline", &StyleRule::Deko, "underline"},
        {"font-weight:bold;font-style:italic", &StyleRule::Style, "italic"},
        {"background-color:black", &StyleRule::BGcolor, "black"},
        {"background-image:url(\"a.png\");background-repeat:no-repeat", &StyleRule::BGRepeat,
         "no-repeat"},
        {"Color:red", &StyleRule::Color, ""},  // names are compared exactly
        {"margin:0;color:navy", &StyleRule::Color, "navy"},
        {"color:red;;;font-weight:bold", &StyleRule::Weight, "bold"},
        // A value holding a colon is cut there, and the alternation shifts.
        {"background-image:url(\"a:b.png\");color:red", &StyleRule::Color, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        StyleRule rule;
        rule.Raw = c.raw;
        ParseDeclarations(rule);
        EXPECT_EQ(rule.*c.field, c.value);
        ParseDeclarations(rule);
        EXPECT_EQ(rule.*c.field, c.value) << "parsing twice changes nothing";
    }
}

TEST(StyleValuesTest, FontFamiliesFromGenericNamesAndQuotes) {
    struct Case {
        const char* value;
        const char* family;
    };
    const Case cases[] = {
        {"\"TimesNewRoman\",serif", "Times New Roman"},
        {"serif", "Times New Roman"},
        {"sans-serif", "Arial"},
        {"cursive", "Comic Sans MS"},
        {"fantasy", "Georgia"},
        {"monospace", "Courier New"},  // a monospaced face for code
        {"\"CourierNew\"", "Courier New"},
        {"\"ComicSansMS\"", "Comic Sans MS"},
        {"\"ArialUnicodeMS\"", "Arial Unicode MS"},
        {"\"PalatinoLinotype\"", "PalatinoLinotype"},
        {"Georgia,serif", ""},
        {"'Arial'", ""},
        {"\"Unclosed", "Unclosed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        TextStyle style;
        style.fontFamily = "Before";
        ApplyFontFamily(style, c.value, false);
        EXPECT_EQ(style.fontFamily, c.family);
    }
    TextStyle style;
    style.fontFamily = "Before";
    ApplyFontFamily(style, "", false);
    EXPECT_EQ(style.fontFamily, "Before") << "an empty value changes nothing";
}

TEST(StyleValuesTest, FontSizesCompoundFromTheSizeInForce) {
    // Each step starts from the size the step before left; the kind's default is 15.
    struct Step {
        const char* value;
        double size;
    };
    const Step steps[] = {
        {"2em", 30},  {"1.5rem", 22.5}, {"200%", 45}, {"50%", 22.5}, {"12px", 12},
        {"12pt", 12}, {"larger", 12},   {"0.5em", 6}, {"abcpx", 0},  {"", 0},
    };
    TextStyle style;
    style.fontSize = 15;
    style.rootFontSize = 15;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.value);
        ApplyFontSize(style, step.value);
        EXPECT_DOUBLE_EQ(style.fontSize, step.size);
    }
}

TEST(StyleValuesTest, KeywordPropertiesTakeOnlyTheirKeywords) {
    TextStyle style;
    const struct {
        void (*apply)(TextStyle&, std::string_view);
        const char* value;
        int TextStyle::*setting;
        int expected;
    } intCases[] = {
        {ApplyFontWeight, "bold", &TextStyle::fontWeight, 1},
        {ApplyFontWeight, "700", &TextStyle::fontWeight, 1},
        {ApplyFontWeight, "normal", &TextStyle::fontWeight, 0},
        {ApplyFontStyle, "italic", &TextStyle::fontSlant, 1},
        {ApplyFontStyle, "oblique", &TextStyle::fontSlant, 1},
        {ApplyFontStyle, "normal", &TextStyle::fontSlant, 0},
    };
    for (const auto& c : intCases) {
        SCOPED_TRACE(c.value);
        c.apply(style, c.value);
        EXPECT_EQ(style.*c.setting, c.expected);
    }
    ApplyTextAlign(style, "center");
    EXPECT_EQ(style.textAlign, TextAlign::Center);
    ApplyTextAlign(style, "justify");
    EXPECT_EQ(style.textAlign, TextAlign::Left) << "justified text is laid out left-aligned";
    ApplyTextAlign(style, "Right");
    EXPECT_EQ(style.textAlign, TextAlign::Left);
    ApplyPictureAlign(style, "right");
    EXPECT_EQ(style.pictureAlign, TextAlign::Right);
    ApplyTextDecoration(style, "line-through");
    EXPECT_EQ(style.decoration, Decoration::LineThrough);
    ApplyTextDecoration(style, "underlineoverline");
    EXPECT_EQ(style.decoration, Decoration::LineThrough);
    ApplyTextDecoration(style, "none");
    EXPECT_EQ(style.decoration, Decoration::None);
}

TEST(StyleValuesTest, BackgroundsAndColours) {
    TextStyle style;
    ApplyBackgroundColor(style, "black");
    EXPECT_EQ(style.backgroundColor, kBlackComponents);
    ApplyBackgroundColor(style, "");
    EXPECT_EQ(style.backgroundColor, ParseColorValue("white"))
        << "a rule without one makes it white";
    ApplyTextColor(style, "#ff0000");
    EXPECT_EQ(style.textColor.red, 0xFFu << 24);
    ApplyTextColor(style, "nocolour");
    EXPECT_EQ(style.textColor.red, 0xFFu << 24);

    const struct {
        const char* image;
        const char* repeat;
        const char* path;
        const char* mode;
    } cases[] = {
        {"url(\"bg.png\")", "no-repeat", "bg.png", "no-repeat"},
        {"url('images/paper.png'),url(\"b.png\")", "repeat,no-repeat", "images/paper.png",
         "repeat"},
        {"url(bg.png)", "repeat", "", "repeat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.image);
        ApplyBackgroundImage(style, c.image, c.repeat, false);
        EXPECT_EQ(style.backgroundPicture, c.path);
        EXPECT_EQ(style.backgroundRepeat, c.mode);
    }
    style.backgroundPicture = "kept.png";
    ApplyBackgroundImage(style, "", "no-repeat", false);
    EXPECT_EQ(style.backgroundPicture, "kept.png");
}

}  // namespace
}  // namespace quirelle
