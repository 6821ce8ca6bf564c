// The book's style rules as a layout pass applies them: the kind's defaults, then the rule for the
// element name, then one for each class and epub:type value.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "style/color_value.hpp"
#include "support/epub_fixture.hpp"
#include "support/layout_fixture.hpp"

namespace quirelle {
namespace {

using testing::LayoutFixture;
using testing::Page;

class ElementStyleTest : public LayoutFixture {
  protected:
    // Lays out `body` with `sheet` as the page's style element, and gives the style its word
    // `x` was drawn in.
    WordStyle StyleOfX(const std::string& sheet, const std::string& body) {
        Render(Page(body, "<style>" + sheet + "</style>",
                    "xmlns:epub=\"http://www.idpf.org/2007/ops\""));
        return WordAt("x").style;
    }
};

// The book's rules over the reader's defaults, the more specific rule over the less, and sizes in
// em of the parent's size, in rem of the root's.
TEST_F(ElementStyleTest, TheCascadeGoesFromKindDefaultsToElementToClass) {
    const RgbaColor black{0, 0, 0, 255};
    const RgbaColor red{255, 0, 0, 255};
    const RgbaColor blue{0, 0, 255, 255};
    const RgbaColor green{0, 128, 0, 255};
    struct Case {
        const char* what;
        const char* sheet;
        const char* body;
        double size;
        RgbaColor color;
    };
    const Case cases[] = {
        {"the element's rule, then the class rule on top", "p{color:red}p.note{font-size:2em}",
         "<p class=\"note\">x</p>", 30, red},
        {"em is of the parent's size", "p{font-size:2em}p.half{font-size:0.5em}",
         "<p class=\"half\">x</p>", 7.5, black},
        // The root keeps the CSS medium size; the reader's size is the body's.
        {"rem is of the root's size", "p{font-size:2em}p.r{font-size:1.2rem}",
         "<p class=\"r\">x</p>", 19.2, black},
        {"the epub:type attribute",
         "@namespace epub \"http://www.idpf.org/2007/ops\"; p[epub|type=\"chapter\"]{color:blue}",
         "<p epub:type=\"chapter\">x</p>", 15, blue},
        {"a class alone", ".intro{color:green}", "<p class=\"intro\">x</p>", 15, green},
        {"the more specific rule wins wherever it stands", "p.intro{color:red}.intro{color:green}",
         "<p class=\"intro\">x</p>", 15, red},
        {"each class of the element", "p.a{color:red}.b{color:blue}", "<p class=\"a b\">x</p>", 15,
         red},
        {"a heading keeps its kind's size unless a rule says otherwise", "h2{color:blue}",
         "<h2>x</h2>", 24, blue},
        {"no rule for the element: the defaults stand", "h1{color:red}", "<p>x</p>", 15, black},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const WordStyle style = StyleOfX(c.sheet, c.body);
        EXPECT_DOUBLE_EQ(style.size, c.size);
        EXPECT_EQ(style.color, c.color);
    }
}

TEST_F(ElementStyleTest, WithCssSwitchedOffTheRulesChangeNothing) {
    data().cssEnabled = false;
    const WordStyle style = StyleOfX("p{font-size:3em;color:red;text-align:center}", "<p>x</p>");
    EXPECT_DOUBLE_EQ(style.size, 15);
    EXPECT_EQ(style.color, (RgbaColor{0, 0, 0, 255}));
    EXPECT_NEAR(WordAt("x").x, settings().HorizontalMarginValue(), 1.0 / 64);
}

TEST_F(ElementStyleTest, ACentredHeadingIsDrawnInTheMiddle) {
    StyleOfX("h1{text-align:center}", "<h1>x Middle</h1>");
    const std::vector<testing::TracedLine> lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    const testing::TracedWord last = WordAt("Middle");
    EXPECT_NEAR(lines[0].x - 20, 480 - (last.x + last.width), 1.0 / 64);
}

// Sizes no font can have must not stop the drawing: the paragraph after them is drawn.
TEST_F(ElementStyleTest, HostileFontSizesLeaveTheRestOfThePageDrawn) {
    const char* sheets[] = {"p.x{font-size:0px}", "p.x{font-size:abcpx}", "p.x{font-size:1e999em}",
                            "p.x{font-size:-5px}", "p.x{font-size:100000000px}"};
    for (const char* sheet : sheets) {
        SCOPED_TRACE(sheet);
        Render(Page("<p class=\"x\">tiny or huge</p><p>after</p>",
                    std::string("<style>") + sheet + "</style>"));
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
        {&Settings::strong, "<p><strong>x</strong></p>"},
        {&Settings::emphasis, "<p><em>x</em></p>"},
        {&Settings::hyperlink, "<p><a href=\"x\">x</a></p>"},
        {&Settings::preformated, "<pre>x</pre>"},
        {&Settings::list, "<ul><li>x</li></ul>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_DOUBLE_EQ(StyleOfX("", c.body).size, 15);
        frontend_.MutableSettings().*c.row = {"Liberation Mono", "21"};
        const WordStyle style = StyleOfX("", c.body);
        EXPECT_DOUBLE_EQ(style.size, 21);
        EXPECT_EQ(style.family, "Liberation Mono");
        frontend_.MutableSettings().*c.row = {"Arial", "15"};
    }
}

// The debug_css dump, byte for byte: each sheet as it was read, then the rules in cascade
// order; with the switch off nothing is written.
TEST_F(ElementStyleTest, TheCssDumpWritesEachSheetAndItsRules) {
    testing::TempDir ram;
    ASSERT_EQ(setenv("QUIRELLE_RAM_DIR", ram.path().c_str(), 1), 0);
    const std::string page =
        Page("<p>a</p>", "<style>p { color: red }\nh1, h2 > b { margin: 0 !important; }</style>");
    Render(page);
    EXPECT_FALSE(std::filesystem::exists(ram / "debug_css.txt")) << "written with the switch off";
    data().debug.debugCss = true;
    Render(page);
    data().debug.debugCss = false;
    unsetenv("QUIRELLE_RAM_DIR");
    EXPECT_EQ(testing::ReadFile(ram.path() / "debug_css.txt"),
              "----- CDATA ---------\n"
              "p { color: red }\nh1, h2 > b { margin: 0 !important; }\n"
              "---------------\n"
              "------ Styles -------\n"
              "Element = p  ---- Raw = color:red\n"
              "Element = h1, h2 > b  ---- Raw = margin:0!important\n");
}

}  // namespace
}  // namespace quirelle
