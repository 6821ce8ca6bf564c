// The book's style rules as a layout pass applies them: the kind's defaults, then the rule for the
// element name, then one for each class and epub:type value.
#include <gtest/gtest.h>

#include <cstdlib>

#include "layout/cairo_style.hpp"
#include "layout/text_flow.hpp"
#include "style/color_value.hpp"
#include "support/epub_fixture.hpp"
#include "support/layout_fixture.hpp"

namespace quirelle {
namespace {

using testing::LayoutFixture;
using testing::Page;

class ElementStyleTest : public LayoutFixture {
  protected:
    // Lays out `body` with `sheet` as the book's only rules, and gives the style the last element
    // left.
    const TextStyle& StyleAfter(const std::string& sheet, const std::string& body) {
        context().styleSheet.Clear();
        context().styleSheet.ParseStyleSheet(sheet, context().debug.debugCss);
        Render(Page(body));
        return context().style;
    }
};

TEST_F(ElementStyleTest, TheCascadeGoesFromKindDefaultsToElementToClass) {
    const ColorComponents red = *ParseColorValue("red");
    const ColorComponents blue = *ParseColorValue("blue");
    const ColorComponents green = *ParseColorValue("green");
    struct Case {
        const char* what;
        const char* sheet;
        const char* body;
        double size;
        ColorComponents color;
    };
    const Case cases[] = {
        {"the element's rule, then the class rule on top", "p{color:red}p.note{font-size:2em}",
         "<p class=\"note\">x</p>", 30, red},
        {"em compounds over the element's rule", "p{font-size:2em}p.half{font-size:0.5em}",
         "<p class=\"half\">x</p>", 15, kBlackComponents},
        {"rem starts again from the kind's size", "p{font-size:2em}p.r{font-size:1.2rem}",
         "<p class=\"r\">x</p>", 18, kBlackComponents},
        {"the epub:type attribute form is the second try", "p[epub|type=\"chapter\"]{color:blue}",
         "<p epub:type=\"chapter\">x</p>", 15, blue},
        {"the class alone is the third try", ".intro{color:green}", "<p class=\"intro\">x</p>", 15,
         green},
        {"the first try that finds a rule wins", ".intro{color:green}p.intro{color:red}",
         "<p class=\"intro\">x</p>", 15, red},
        {"only the text before a blank is the key", "p.a{color:red}.b{color:blue}",
         "<p class=\"a b\">x</p>", 15, red},
        {"a heading keeps its kind's size unless a rule says otherwise", "h2{color:blue}",
         "<h2>x</h2>", 24, blue},
        {"no rule for the element: the defaults stand", "h1{color:red}", "<p>x</p>", 15,
         kBlackComponents},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TextStyle& style = StyleAfter(c.sheet, c.body);
        EXPECT_DOUBLE_EQ(style.fontSize, c.size);
        EXPECT_EQ(style.textColor, c.color);
    }
}

TEST_F(ElementStyleTest, ARuleWithoutABackgroundMakesItWhite) {
    const TextStyle& style =
        StyleAfter("p{background-color:black}p.x{color:red}", "<p class=\"x\">x</p>");
    EXPECT_EQ(style.backgroundColor, ParseColorValue("white"));
    const TextStyle& kept = StyleAfter("p{background-color:black}", "<p>x</p>");
    EXPECT_EQ(kept.backgroundColor, kBlackComponents);
}

TEST_F(ElementStyleTest, WithCssSwitchedOffTheRulesChangeNothing) {
    context().cssEnabled = false;
    const TextStyle& style = StyleAfter("p{font-size:3em;color:red;text-align:center}", "<p>x</p>");
    EXPECT_DOUBLE_EQ(style.fontSize, 15);
    EXPECT_EQ(style.textColor, kBlackComponents);
    EXPECT_EQ(style.textAlign, TextAlign::Left);
}

TEST_F(ElementStyleTest, ACentredHeadingIsDrawnInTheMiddle) {
    StyleAfter("h1{text-align:center}", "<h1>Middle</h1>");
    const std::vector<testing::TracedLine> lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    StartFlow();
    SelectElementStyle(context(), ElementKind::Header1);
    const double advance = TextAdvance(context(), "Middle");
    EXPECT_NEAR(lines[0].x, (500 - advance) / 2, 1.0 / 64);
}

// Sizes no font can have must not stop the drawing: the paragraph after them is drawn.
TEST_F(ElementStyleTest, HostileFontSizesLeaveTheRestOfThePageDrawn) {
    const char* sheets[] = {"p.x{font-size:0px}", "p.x{font-size:abcpx}", "p.x{font-size:1e999em}",
                            "p.x{font-size:-5px}", "p.x{font-size:100000000px}"};
    for (const char* sheet : sheets) {
        SCOPED_TRACE(sheet);
        StyleAfter(sheet, "<p class=\"x\">tiny or huge</p><p>after</p>");
        EXPECT_EQ(cairo_status(cr_.get()), CAIRO_STATUS_SUCCESS);
        EXPECT_NE(DrawnText().find("after"), std::string::npos) << DrawnText();
    }
    Render(Page("<p><font size=\"999999999\">big</font></p><p>after</p>"));
    EXPECT_EQ(cairo_status(cr_.get()), CAIRO_STATUS_SUCCESS);
    EXPECT_NE(DrawnText().find("after"), std::string::npos);
}

// Every settings row gives its kind's family and size, and the defaults leave pages as they were.
TEST_F(ElementStyleTest, EachSettingsRowSizesItsKind) {
    struct Case {
        StyleSetting Settings::*row;
        const char* body;
    };
    const Case cases[] = {
        {&Settings::strong, "<strong>x</strong>"},     {&Settings::emphasis, "<em>x</em>"},
        {&Settings::hyperlink, "<a href=\"x\">x</a>"}, {&Settings::preformated, "<pre>x</pre>"},
        {&Settings::list, "<ul><li>x</li></ul>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_DOUBLE_EQ(StyleAfter("", c.body).fontSize, 15);
        frontend_.MutableSettings().*c.row = {"Liberation Mono", "21"};
        const TextStyle& style = StyleAfter("", c.body);
        EXPECT_DOUBLE_EQ(style.fontSize, 21);
        EXPECT_EQ(style.fontFamily, "Liberation Mono");
        frontend_.MutableSettings().*c.row = {"Arial", "15"};
    }
}

// The debug_css dump, byte for byte, for one rule and one paragraph.
TEST_F(ElementStyleTest, TheCssDumpWritesEveryStepInItsFormat) {
    testing::TempDir ram;
    ASSERT_EQ(setenv("QUIRELLE_RAM_DIR", ram.path().c_str(), 1), 0);
    context().debug.debugCss = true;
    StyleAfter("p { color: red }", "<p>a</p>");
    context().debug.debugCss = false;
    unsetenv("QUIRELLE_RAM_DIR");
    const std::string tried = "-----------------------------\n--------------------------\n";
    EXPECT_EQ(testing::ReadFile(ram.path() / "debug_css.txt"),
              "--------\np{color:red}\n"
              "------ Styles -------\nElement = p  ---- Raw = color:red\n"
              " -- Font = Arial\n"
              "-------------  Geparst ----------------------------\n"
              "Element = p - Font =  - Fontsize =  Align =  Deko =  Weight =  Style =  "
              "Color = red Pic_align =  BGcolor =  BGimg =  BGRepeat = \n" +
                  tried + "--------------    body    ----------------\n" +
                  "--------------    Auswahl  1 von 1   ----------------\n" + tried +
                  "--------------    body[epub|type=\"\"]    ----------------\n" +
                  "--------------    Auswahl  1 von 1   ----------------\n" + tried +
                  "--------------    p    ----------------\n" +
                  "--------------    Auswahl  0 von 1   ----------------\n" +
                  "Element = p - Font =  - Fontsize =  Align =  Deko =  Weight =  Style =  "
                  "Color = red Pic_Align =  BG-color =  BGimg =  BGRepeat = \n");
}

}  // namespace
}  // namespace quirelle
