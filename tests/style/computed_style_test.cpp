#include "style/computed_style.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quirelle {
namespace {

// A viewport of 1000 x 500, a root font of 20px, and `medium` at 16px.
StyleContext Context() {
    return {1000, 500, 20, 16};
}

// A parent whose font size (20px) differs from `medium`, so that em and % show their base.
ComputedStyle Parent() {
    ComputedStyle parent = InitialStyle(Context());
    parent.fontSize = 20;
    parent.color = {255, 0, 0, 255};
    parent.fontFamily = {"Georgia"};
    parent.marginLeft = ComputedLength::Px(10);
    parent.display = CssDisplay::Block;
    return parent;
}

bool Apply(ComputedStyle& style, const std::string& property, const std::string& value,
           const ComputedStyle& parent = Parent()) {
    return ApplyDeclaration(style, {property, value, false}, parent, Context());
}

// A declaration and what it changes in the child of Parent(); the rest must stay as it was.
struct ChangeCase {
    std::string property;
    std::string value;
    std::function<void(ComputedStyle&)> change;
};

void ExpectChanges(const std::vector<ChangeCase>& cases) {
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.property + ": " + c.value);
        const ComputedStyle before = InheritedStyle(Parent());
        ComputedStyle style = before;
        EXPECT_TRUE(Apply(style, c.property, c.value));
        ComputedStyle expected = before;
        c.change(expected);
        EXPECT_TRUE(style == expected);
    }
}

TEST(ComputedStyleTest, LengthUnitsResolveToPxExceptPercentAndAuto) {
    struct Case {
        std::string value;
        ComputedLength expected;
    };
    const Case cases[] = {
        {"10px", ComputedLength::Px(10)},     {"12pt", ComputedLength::Px(16)},
        {"1pc", ComputedLength::Px(16)},      {"1in", ComputedLength::Px(96)},
        {"2.54cm", ComputedLength::Px(96)},   {"25.4mm", ComputedLength::Px(96)},
        {"101.6q", ComputedLength::Px(96)},   {"2em", ComputedLength::Px(40)},
        {"1rem", ComputedLength::Px(20)},     {"1ex", ComputedLength::Px(10)},
        {"2ch", ComputedLength::Px(20)},      {"10vw", ComputedLength::Px(100)},
        {"10vh", ComputedLength::Px(50)},     {"10vmin", ComputedLength::Px(50)},
        {"10vmax", ComputedLength::Px(100)},  {"50%", ComputedLength::Percent(50)},
        {"auto", ComputedLength::Auto()},     {"-5px", ComputedLength::Px(-5)},
        {"0", ComputedLength::Px(0)},         {"+.5em", ComputedLength::Px(10)},
        {"1e1px", ComputedLength::Px(10)},    {"1E1PX", ComputedLength::Px(10)},
        {"1e300in", ComputedLength::Px(1e7)},  // clamped, still finite
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("margin-left: " + c.value);
        ComputedStyle style = InheritedStyle(Parent());
        ASSERT_TRUE(Apply(style, "margin-left", c.value));
        EXPECT_EQ(style.marginLeft.unit, c.expected.unit);
        EXPECT_NEAR(style.marginLeft.value, c.expected.value, 1e-9);
    }
}

TEST(ComputedStyleTest, ValuesThatCannotBeReadLeaveTheStyleAsItWas) {
    const std::pair<std::string, std::string> cases[] = {
        {"margin-left", "10"},
        {"margin-left", "px"},
        {"margin-left", "10 px"},
        {"margin-left", "10furlongs"},
        {"margin-left", ""},
        {"margin-left", "--5px"},
        {"margin-left", "calc(10px)"},
        {"margin-left", "none"},
        {"padding-left", "-1px"},
        {"padding-left", "auto"},
        {"width", "-5%"},
        {"max-width", "auto"},
        {"font-size", "-2px"},
        {"font-size", "big"},
        {"color", "blue-ish"},
        {"background-color", "url(a.png)"},
        {"display", "blok"},
        {"border-top-width", "5%"},
        {"line-height", "-1"},
        {"font-weight", "1001"},
        {"font-weight", "10px"},
        {"font-family", "12px"},
        {"font-family", "Times,"},
        {"font-family", "\"open"},
        {"font", "bold"},
        {"font", "12px"},
        {"font", "bold 12px/ serif"},
        {"margin", "1px 2px 3px 4px 5px"},
        {"margin", "1px oops"},
        {"border", "solid solid"},
        {"border", "2px solid red 1px"},
        {"list-style", "disc square"},
        {"background", "red blue"},
        {"background", "url(a.png), url(b.png)"},
        {"text-decoration-line", "underline underline"},
        {"text-decoration", "none underline"},
        {"vertical-align", "middle 2px"},
        {"colour", "red"},  // not a property
    };
    for (const auto& [property, value] : cases) {
        SCOPED_TRACE(property + ": " + value);
        ComputedStyle style = InheritedStyle(Parent());
        style.marginLeft = ComputedLength::Px(7);
        const ComputedStyle before = style;
        EXPECT_FALSE(Apply(style, property, value));
        EXPECT_TRUE(style == before);
    }
}

TEST(ComputedStyleTest, ShorthandsSetTheirLonghands) {
    const auto margins = [](ComputedLength t, ComputedLength r, ComputedLength b,
                            ComputedLength l) {
        return [=](ComputedStyle& s) {
            s.marginTop = t;
            s.marginRight = r;
            s.marginBottom = b;
            s.marginLeft = l;
        };
    };
    const auto px = ComputedLength::Px;
    const RgbaColor red{255, 0, 0, 255};
    const RgbaColor blue{0, 0, 255, 255};
    ExpectChanges({
        {"margin", "1px", margins(px(1), px(1), px(1), px(1))},
        {"margin", "1px 2px", margins(px(1), px(2), px(1), px(2))},
        {"margin", "1px 2px 3px", margins(px(1), px(2), px(3), px(2))},
        {"margin", "1px 2px 3px 4px", margins(px(1), px(2), px(3), px(4))},
        {"margin", "0 auto", margins(px(0), ComputedLength::Auto(), px(0), ComputedLength::Auto())},
        {"padding", "1em 10%",
         [&](ComputedStyle& s) {
             s.paddingTop = s.paddingBottom = px(20);
             s.paddingRight = s.paddingLeft = ComputedLength::Percent(10);
         }},
        {"border", "2px solid red",
         [&](ComputedStyle& s) {
             s.borderTopWidth = s.borderRightWidth = s.borderBottomWidth = s.borderLeftWidth = 2;
             s.borderTopStyle = s.borderRightStyle = s.borderBottomStyle = s.borderLeftStyle =
                 CssBorderStyle::Solid;
             s.borderTopColor = s.borderRightColor = s.borderBottomColor = s.borderLeftColor =
                 CssColor{red};
         }},
        {"border", "dotted",  // width and colour back to medium and currentColor
         [&](ComputedStyle& s) {
             s.borderTopStyle = s.borderRightStyle = s.borderBottomStyle = s.borderLeftStyle =
                 CssBorderStyle::Dotted;
         }},
        {"border-top", "thick dashed",
         [&](ComputedStyle& s) {
             s.borderTopWidth = 5;
             s.borderTopStyle = CssBorderStyle::Dashed;
         }},
        {"border-left", "blue 0.5em double",
         [&](ComputedStyle& s) {
             s.borderLeftWidth = 10;
             s.borderLeftStyle = CssBorderStyle::Double;
             s.borderLeftColor = CssColor{blue};
         }},
        {"border-width", "thin medium thick 4px",
         [&](ComputedStyle& s) {
             s.borderTopWidth = 1;
             s.borderRightWidth = 3;
             s.borderBottomWidth = 5;
             s.borderLeftWidth = 4;
         }},
        {"border-style", "solid none",
         [&](ComputedStyle& s) { s.borderTopStyle = s.borderBottomStyle = CssBorderStyle::Solid; }},
        {"border-color", "red blue",
         [&](ComputedStyle& s) {
             s.borderTopColor = s.borderBottomColor = CssColor{red};
             s.borderRightColor = s.borderLeftColor = CssColor{blue};
         }},
        {"font", "italic small-caps bold 24px/1.5 \"Times New Roman\", serif",
         [&](ComputedStyle& s) {
             s.fontStyle = CssFontStyle::Italic;
             s.fontVariant = CssFontVariant::SmallCaps;
             s.fontWeight = 700;
             s.fontSize = 24;
             s.lineHeight = {LineHeightKind::Number, 1.5};
             s.fontFamily = {"Times New Roman", "serif"};
         }},
        {"font", "12pt / 2em  Book   Antiqua",  // line height in em of the new size
         [&](ComputedStyle& s) {
             s.fontSize = 16;
             s.lineHeight = {LineHeightKind::Px, 32};
             s.fontFamily = {"Book Antiqua"};
         }},
        {"font", "condensed bolder 150% serif",
         [&](ComputedStyle& s) {
             s.fontWeight = 700;
             s.fontSize = 30;
             s.fontFamily = {"serif"};
         }},
        {"list-style", "square inside",
         [&](ComputedStyle& s) {
             s.listStyleType = CssListStyleType::Square;
             s.listStylePosition = CssListStylePosition::Inside;
         }},
        {"list-style", "none", [&](ComputedStyle& s) { s.listStyleType = CssListStyleType::None; }},
        {"list-style", "upper-roman url(mark.png)",
         [&](ComputedStyle& s) { s.listStyleType = CssListStyleType::UpperRoman; }},
        {"background", "#ff0000 url('a b.png') no-repeat center / cover",
         [&](ComputedStyle& s) {
             s.backgroundColor = CssColor{red};
             s.backgroundImage = "a b.png";
             s.backgroundRepeat = CssBackgroundRepeat::NoRepeat;
         }},
        {"background", "url(\"x.png\")", [&](ComputedStyle& s) { s.backgroundImage = "x.png"; }},
        {"background", "none", [](ComputedStyle&) {}},
        {"text-decoration", "underline line-through red wavy",
         [&](ComputedStyle& s) {
             s.textDecorationLine.underline = true;
             s.textDecorationLine.lineThrough = true;
         }},
        {"text-decoration", "overline",
         [&](ComputedStyle& s) { s.textDecorationLine.overline = true; }},
    });
}

TEST(ComputedStyleTest, ShorthandsResetWhatTheyLeaveOut) {
    ComputedStyle style = InheritedStyle(Parent());
    ASSERT_TRUE(Apply(style, "background", "red url(a.png)"));
    ASSERT_TRUE(Apply(style, "background", "url(b.png)"));
    EXPECT_EQ(style.backgroundColor, CssColor{kTransparent});
    EXPECT_EQ(style.backgroundImage, "b.png");

    ASSERT_TRUE(Apply(style, "font", "bold 1.5em/2 serif"));
    ASSERT_TRUE(Apply(style, "font", "12px sans-serif"));
    EXPECT_EQ(style.fontWeight, 400);
    EXPECT_EQ(style.lineHeight, LineHeight{});
}

TEST(ComputedStyleTest, KeywordsMapToTheirValues) {
    ExpectChanges({
        {"display", "table-row-group",
         [](ComputedStyle& s) { s.display = CssDisplay::TableRowGroup; }},
        {"display", "LIST-ITEM", [](ComputedStyle& s) { s.display = CssDisplay::ListItem; }},
        {"display", "flex", [](ComputedStyle& s) { s.display = CssDisplay::Block; }},
        {"display", "inline-flex", [](ComputedStyle& s) { s.display = CssDisplay::InlineBlock; }},
        {"display", "none", [](ComputedStyle& s) { s.display = CssDisplay::None; }},
        {"white-space", "pre-wrap",
         [](ComputedStyle& s) { s.whiteSpace = CssWhiteSpace::PreWrap; }},
        {"text-align", "justify", [](ComputedStyle& s) { s.textAlign = CssTextAlign::Justify; }},
        {"text-transform", "uppercase",
         [](ComputedStyle& s) { s.textTransform = CssTextTransform::Uppercase; }},
        {"text-indent", "-1.5em", [](ComputedStyle& s) { s.textIndent = ComputedLength::Px(-30); }},
        {"vertical-align", "super",
         [](ComputedStyle& s) { s.verticalAlign.kind = VerticalAlignKind::Super; }},
        {"vertical-align", "-0.25em",
         [](ComputedStyle& s) {
             s.verticalAlign = {VerticalAlignKind::Length, ComputedLength::Px(-5)};
         }},
        {"vertical-align", "50%",
         [](ComputedStyle& s) {
             s.verticalAlign = {VerticalAlignKind::Length, ComputedLength::Percent(50)};
         }},
        {"list-style-type", "lower-latin",
         [](ComputedStyle& s) { s.listStyleType = CssListStyleType::LowerAlpha; }},
        {"list-style-type", "decimal-leading-zero",
         [](ComputedStyle& s) { s.listStyleType = CssListStyleType::DecimalLeadingZero; }},
        {"page-break-before", "always", [](ComputedStyle& s) { s.breakBefore = CssBreak::Page; }},
        {"break-after", "avoid-page", [](ComputedStyle& s) { s.breakAfter = CssBreak::AvoidPage; }},
        {"page-break-inside", "avoid",
         [](ComputedStyle& s) { s.breakInside = CssBreakInside::Avoid; }},
        {"-epub-hyphens", "auto", [](ComputedStyle& s) { s.hyphens = CssHyphens::Auto; }},
        {"float", "right", [](ComputedStyle& s) { s.floatMode = CssFloat::Right; }},
        {"clear", "both", [](ComputedStyle& s) { s.clear = CssClear::Both; }},
        {"visibility", "hidden", [](ComputedStyle& s) { s.visibility = CssVisibility::Hidden; }},
        {"direction", "rtl", [](ComputedStyle& s) { s.direction = CssDirection::Rtl; }},
        {"font-style", "oblique", [](ComputedStyle& s) { s.fontStyle = CssFontStyle::Oblique; }},
        {"font-variant", "small-caps",
         [](ComputedStyle& s) { s.fontVariant = CssFontVariant::SmallCaps; }},
        {"letter-spacing", "0.1em", [](ComputedStyle& s) { s.letterSpacing = 2; }},
        {"word-spacing", "normal", [](ComputedStyle&) {}},
        {"width", "auto", [](ComputedStyle&) {}},
        {"max-width", "80%", [](ComputedStyle& s) { s.maxWidth = ComputedLength::Percent(80); }},
        {"min-height", "auto", [](ComputedStyle&) {}},
        {"background-image", "url( pic.png )",
         [](ComputedStyle& s) { s.backgroundImage = "pic.png"; }},
        {"font-family", "'Gentium Plus', Palatino  Linotype , serif",
         [](ComputedStyle& s) {
             s.fontFamily = {"Gentium Plus", "Palatino Linotype", "serif"};
         }},
    });
}

TEST(ComputedStyleTest, FontSizesAreRelativeToTheParent) {
    struct Case {
        std::string value;
        double expected;
    };
    const Case cases[] = {
        {"2em", 40},     {"150%", 30},     {"larger", 24}, {"smaller", 20 / 1.2}, {"x-large", 24},
        {"xx-small", 9}, {"medium", 16},   {"12pt", 16},   {"2rem", 40},          {"0.5ex", 5},
        {"0", 0},        {"1e9em", 10000},  // the largest size a font takes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("font-size: " + c.value);
        ComputedStyle style = InheritedStyle(Parent());
        ASSERT_TRUE(Apply(style, "font-size", c.value));
        EXPECT_NEAR(style.fontSize, c.expected, 1e-9);
    }
}

TEST(ComputedStyleTest, FontSizeChainsMultiplyDownTheTree) {
    const ComputedStyle root = InitialStyle(Context());  // 16px
    ComputedStyle parent = InheritedStyle(root);
    ASSERT_TRUE(Apply(parent, "font-size", "2em", root));
    EXPECT_EQ(parent.fontSize, 32);
    ComputedStyle child = InheritedStyle(parent);
    ASSERT_TRUE(Apply(child, "font-size", "1.5em", parent));
    EXPECT_EQ(child.fontSize, 48);
    ComputedStyle grandchild = InheritedStyle(child);
    ASSERT_TRUE(Apply(grandchild, "font-size", "25%", child));
    EXPECT_EQ(grandchild.fontSize, 12);
    ASSERT_TRUE(Apply(grandchild, "margin-top", "1em", child));
    EXPECT_EQ(grandchild.marginTop, ComputedLength::Px(12));
}

TEST(ComputedStyleTest, EmLengthsUseTheElementsFontSizeWhateverTheOrder) {
    const ComputedStyle parent = Parent();
    ComputedStyle style = InheritedStyle(parent);
    ApplyDeclarations(style,
                      {{"margin-left", "1em", false},
                       {"line-height", "2em", false},
                       {"font", "10px serif", false},
                       {"font-size", "30px", false}},
                      parent, Context());
    EXPECT_EQ(style.fontSize, 30);
    EXPECT_EQ(style.marginLeft, ComputedLength::Px(30));
    // The font shorthand, applied after line-height, put line-height back to normal.
    EXPECT_EQ(style.lineHeight, LineHeight{});
}

TEST(ComputedStyleTest, FontWeightsBolderAndLighterFollowTheParent) {
    struct Case {
        int parentWeight;
        std::string value;
        int expected;
    };
    const Case cases[] = {
        {400, "bolder", 700},  {700, "bolder", 900},  {100, "bolder", 400},  {900, "bolder", 900},
        {700, "lighter", 400}, {400, "lighter", 100}, {900, "lighter", 700}, {400, "bold", 700},
        {700, "normal", 400},  {400, "600", 600},     {400, "1", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("parent " + std::to_string(c.parentWeight) + ", font-weight: " + c.value);
        ComputedStyle parent = Parent();
        parent.fontWeight = c.parentWeight;
        ComputedStyle style = InheritedStyle(parent);
        ASSERT_TRUE(Apply(style, "font-weight", c.value, parent));
        EXPECT_EQ(style.fontWeight, c.expected);
    }
}

TEST(ComputedStyleTest, LineHeightNumbersInheritAsNumbersAndLengthsAsPx) {
    struct Case {
        std::string value;
        LineHeight onElement;  // font size 20
        double usedByChild;    // font size 10
    };
    const Case cases[] = {
        {"1.5", {LineHeightKind::Number, 1.5}, 15},  {"1.5em", {LineHeightKind::Px, 30}, 30},
        {"150%", {LineHeightKind::Px, 30}, 30},      {"24px", {LineHeightKind::Px, 24}, 24},
        {"normal", {LineHeightKind::Normal, 0}, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("line-height: " + c.value);
        const ComputedStyle parent = Parent();
        ComputedStyle style = InheritedStyle(parent);
        ASSERT_TRUE(Apply(style, "line-height", c.value, parent));
        EXPECT_EQ(style.lineHeight, c.onElement);
        ComputedStyle child = InheritedStyle(style);
        ASSERT_TRUE(Apply(child, "font-size", "10px", style));
        EXPECT_NEAR(UsedLineHeight(child), c.usedByChild, 1e-9);
    }
}

TEST(ComputedStyleTest, InheritInitialAndUnset) {
    const RgbaColor red{255, 0, 0, 255};
    const RgbaColor black{0, 0, 0, 255};
    struct Case {
        std::string property;
        std::string value;
        std::function<bool(const ComputedStyle&)> holds;
    };
    const Case cases[] = {
        {"color", "inherit", [&](const ComputedStyle& s) { return s.color == red; }},
        {"color", "unset", [&](const ComputedStyle& s) { return s.color == red; }},
        {"color", "initial", [&](const ComputedStyle& s) { return s.color == black; }},
        {"margin-left", "inherit",
         [](const ComputedStyle& s) { return s.marginLeft == ComputedLength::Px(10); }},
        {"margin-left", "unset",
         [](const ComputedStyle& s) { return s.marginLeft == ComputedLength::Px(0); }},
        {"margin-left", "INITIAL",
         [](const ComputedStyle& s) { return s.marginLeft == ComputedLength::Px(0); }},
        {"margin", "inherit",
         [](const ComputedStyle& s) {
             return s.marginLeft == ComputedLength::Px(10) && s.marginTop == ComputedLength::Px(0);
         }},
        {"font-size", "initial", [](const ComputedStyle& s) { return s.fontSize == 16; }},
        {"font", "initial",
         [](const ComputedStyle& s) { return s.fontSize == 16 && s.fontFamily.empty(); }},
        {"display", "inherit",
         [](const ComputedStyle& s) { return s.display == CssDisplay::Block; }},
        {"display", "unset",
         [](const ComputedStyle& s) { return s.display == CssDisplay::Inline; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.property + ": " + c.value);
        ComputedStyle style = InheritedStyle(Parent());
        style.color = {0, 128, 0, 255};
        style.marginLeft = style.marginTop = ComputedLength::Px(5);
        style.display = CssDisplay::Table;
        ASSERT_TRUE(Apply(style, c.property, c.value));
        EXPECT_TRUE(c.holds(style));
    }
}

TEST(ComputedStyleTest, ChildrenInheritOnlyInheritedProperties) {
    ComputedStyle parent = Parent();
    for (const auto& [property, value] : std::vector<std::pair<std::string, std::string>>{
             {"line-height", "1.4"},
             {"text-align", "center"},
             {"white-space", "pre"},
             {"list-style-type", "square"},
             {"background-color", "yellow"},
             {"border", "1px solid"},
             {"text-decoration", "underline"},
             {"padding", "3px"},
             {"width", "50%"},
             {"page-break-after", "always"},
             {"vertical-align", "sub"},
         }) {
        ASSERT_TRUE(Apply(parent, property, value)) << property;
    }
    const ComputedStyle child = InheritedStyle(parent);
    EXPECT_EQ(child.color, parent.color);
    EXPECT_EQ(child.fontSize, 20);
    EXPECT_EQ(child.fontFamily, parent.fontFamily);
    EXPECT_EQ(child.lineHeight, (LineHeight{LineHeightKind::Number, 1.4}));
    EXPECT_EQ(child.textAlign, CssTextAlign::Center);
    EXPECT_EQ(child.whiteSpace, CssWhiteSpace::Pre);
    EXPECT_EQ(child.listStyleType, CssListStyleType::Square);

    // Everything not inherited is back at its initial value.
    ComputedStyle expected = InitialStyle(Context());
    expected.fontFamily = child.fontFamily;
    expected.fontSize = child.fontSize;
    expected.color = child.color;
    expected.lineHeight = child.lineHeight;
    expected.textAlign = child.textAlign;
    expected.whiteSpace = child.whiteSpace;
    expected.listStyleType = child.listStyleType;
    EXPECT_TRUE(child == expected);
}

TEST(ComputedStyleTest, ColorsKeepAlphaAndCurrentColor) {
    struct Case {
        std::string text;
        std::optional<CssColor> expected;
    };
    const Case cases[] = {
        {"red", CssColor{{255, 0, 0, 255}}},
        {"#0f0", CssColor{{0, 255, 0, 255}}},
        {"rgb(1, 2, 3)", CssColor{{1, 2, 3, 255}}},
        {"rgba(0, 0, 255, 0.5)", CssColor{{0, 0, 255, 128}}},
        {"RGBA(0,0,255,25%)", CssColor{{0, 0, 255, 64}}},
        {"rgba(0, 0, 255, 7)", CssColor{{0, 0, 255, 255}}},
        {"transparent", CssColor{kTransparent}},
        {"currentColor", CssColor{{}, true}},
        {"nope", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseCssColor(c.text), c.expected);
    }

    // currentColor is the element's colour, known once all of its declarations are applied.
    ComputedStyle style = InheritedStyle(Parent());
    ASSERT_TRUE(Apply(style, "border-color", "currentcolor"));
    ASSERT_TRUE(Apply(style, "color", "blue"));
    EXPECT_EQ(style.borderTopColor.Resolve(style.color), (RgbaColor{0, 0, 255, 255}));
    // In `color` itself it is the inherited colour.
    ASSERT_TRUE(Apply(style, "color", "currentColor"));
    EXPECT_EQ(style.color, Parent().color);
}

TEST(ComputedStyleTest, BorderWidthTakesNoSpaceWithoutAStyle) {
    ComputedStyle style = InheritedStyle(Parent());
    ASSERT_TRUE(Apply(style, "border-width", "5px"));
    EXPECT_EQ(UsedBorderWidth(style, BoxSide::Left), 0);
    ASSERT_TRUE(Apply(style, "border-left-style", "solid"));
    EXPECT_EQ(UsedBorderWidth(style, BoxSide::Left), 5);
    EXPECT_EQ(UsedBorderWidth(style, BoxSide::Top), 0);
}

TEST(ComputedStyleTest, HostileValuesNeitherCrashNorGiveEndlessNumbers) {
    const std::string properties[] = {
        "font",           "font-family",     "font-size",      "line-height",  "margin",
        "padding",        "border",          "border-top",     "border-color", "background",
        "list-style",     "text-decoration", "vertical-align", "color",        "width",
        "letter-spacing", "text-indent",     "font-weight",
    };
    const std::string values[] = {
        "url(",
        "\"unterminated",
        "((((",
        "1e999px",
        "-",
        "/",
        "rgba(",
        "\\",
        "'",
        "/ / /",
        ",",
        "1e-999em",
        "--",
        "url('a)",
        "9e99 9e99 9e99",
        "rgba(1,2,3,1e999)",
        std::string("a\0b", 3),
        ")",
        "12px/",
        "font: 12px",
    };
    for (const std::string& property : properties) {
        for (const std::string& value : values) {
            SCOPED_TRACE(property + ": " + value);
            ComputedStyle style = InheritedStyle(Parent());
            Apply(style, property, value);
            EXPECT_TRUE(std::isfinite(style.fontSize));
            EXPECT_TRUE(std::isfinite(style.marginLeft.value));
            EXPECT_TRUE(std::isfinite(style.lineHeight.value));
        }
    }
}

}  // namespace
}  // namespace quirelle
