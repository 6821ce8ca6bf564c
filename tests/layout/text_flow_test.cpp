#include "layout/text_flow.hpp"

#include <gtest/gtest.h>

#include "layout/cairo_style.hpp"
#include "support/layout_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

using testing::LayoutFixture;
using testing::TracedLine;

class TextFlowTest : public LayoutFixture {
  protected:
    double Advance(std::string_view text) { return TextAdvance(context(), text); }
    double FontHeight() { return CurrentFontHeight(context()); }
};

TEST_F(TextFlowTest, LinesBreakBetweenWords) {
    StartFlow(300);
    const double limit = RightLimit(context());
    ASSERT_EQ(limit, 270);
    // Enough words for three lines; none may be cut.
    const std::string text =
        "The keeper climbed the stair at dusk and lit the great lamp while the tide turned";
    DrawTextRun(context(), text);
    const std::vector<TracedLine> lines = Lines();
    ASSERT_GE(lines.size(), 3u);
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i].text);
        // Every line starts at the margin with a word, never with a blank.
        EXPECT_EQ(lines[i].x, 20.0);
        EXPECT_NE(lines[i].text.front(), ' ');
        EXPECT_LT(20.0 + Advance(lines[i].text.substr(0, lines[i].text.find_last_not_of(' ') + 1)),
                  limit);
        if (i > 0) {
            EXPECT_DOUBLE_EQ(lines[i].baseline - lines[i - 1].baseline, FontHeight());
            // The word that begins this line did not fit on the one before.
            const std::string first = lines[i].text.substr(0, lines[i].text.find(' '));
            EXPECT_GE(20.0 + Advance(lines[i - 1].text + first), limit);
        }
        joined += lines[i].text;
    }
    EXPECT_EQ(joined, text);
}

TEST_F(TextFlowTest, AWordLongerThanALineBreaksInsideIt) {
    StartFlow(200);
    const std::string word(60, 'm');
    DrawTextRun(context(), "ab " + word);
    const std::vector<TracedLine> lines = Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "ab ");
    std::string rest;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].x, 20.0);
        rest += lines[i].text;
    }
    EXPECT_EQ(rest, word);
    // A full line ends with the first glyph whose end reaches the limit.
    const double limit = RightLimit(context());
    EXPECT_GE(20.0 + Advance(lines[1].text), limit);
    EXPECT_LT(20.0 + Advance(lines[1].text.substr(1)), limit);
}

TEST_F(TextFlowTest, LineEndsAreBlanksTabsVanishAndUtf8IsDecoded) {
    StartFlow(2000);
    DrawTextRun(context(), "a\nb\tc  d\r\xF0\x9F\x98\x80\xFF\xC3\xA9");
    std::vector<std::string> glyphs;
    for (const auto& glyph : trace_.glyphs) {
        glyphs.push_back(glyph.text);
    }
    EXPECT_EQ(glyphs, (std::vector<std::string>{"a", " ", "b", "c", " ", " ", "d", " ",
                                                "\xF0\x9F\x98\x80", "\xEF\xBF\xBD", "\xC3\xA9"}));
    EXPECT_EQ(cairo_status(cr_.get()), CAIRO_STATUS_SUCCESS);
}

TEST_F(TextFlowTest, AlignmentPlacesOnlyTheFirstRunOfALine) {
    struct Case {
        TextAlign align;
        double (*expectedX)(double width, double margin, double advance);
    };
    const Case cases[] = {
        {TextAlign::Left, [](double, double margin, double) { return margin; }},
        {TextAlign::Center, [](double width, double, double a) { return (width - a) * 0.5; }},
        {TextAlign::Right,
         [](double width, double margin, double a) { return width - margin - a; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.align));
        StartFlow(500);
        context().style.textAlign = c.align;
        DrawTextRun(context(), "First run");
        double penX, penY;
        cairo_get_current_point(cr_.get(), &penX, &penY);
        DrawTextRun(context(), " and second");
        const std::vector<TracedLine> lines = Lines();
        if (c.align == TextAlign::Right) {
            // A right-aligned line is full: the second run starts the next line.
            ASSERT_EQ(lines.size(), 2u);
            EXPECT_EQ(lines[0].text, "First run ");
            EXPECT_EQ(lines[1].x, 20.0);
        } else {
            ASSERT_EQ(lines.size(), 1u);
        }
        EXPECT_NEAR(lines[0].x, c.expectedX(500, 20, Advance("First run")), 1.0 / 256);
        if (c.align != TextAlign::Right) {
            // The second run carries on where the first ended.
            const auto& second = trace_.glyphs[std::string("First run").size()];
            EXPECT_EQ(second.x, penX);
        } else {
            EXPECT_NEAR(penX, 480.0, 1.0 / 128) << "a right-aligned run ends at the margin";
        }
    }
}

TEST_F(TextFlowTest, AlignmentNeverStartsLeftOfTheLineEdge) {
    StartFlow(300);
    context().style.textAlign = TextAlign::Right;
    DrawTextRun(context(), std::string(40, 'w'));
    ASSERT_FALSE(Lines().empty());
    EXPECT_EQ(Lines()[0].x, 20.0);
    context().style.textAlign = TextAlign::Center;
    NewLine(context());
    trace_ = {};
    DrawTextRun(context(), std::string(60, 'w'));
    EXPECT_EQ(Lines()[0].x, 20.0);
}

TEST_F(TextFlowTest, LeftEdgeFollowsTheLastPlacedPicture) {
    StartFlow();
    PictureRecord picture;
    picture.x = 200;
    picture.y = 200;
    picture.width = 100;
    picture.height = 100;
    context().state.pictures[0] = picture;
    context().state.pictureIndex = 1;
    const std::pair<double, double> cases[] = {{150, 20},    {200, 20}, {200.5, 310}, {250, 310},
                                               {299.5, 310}, {300, 20}, {400, 20}};
    for (const auto& [y, expected] : cases) {
        SCOPED_TRACE(y);
        EXPECT_EQ(LeftEdgeAt(context(), y), expected);
    }
    context().state.pictureIndex = 0;
    EXPECT_EQ(LeftEdgeAt(context(), 250), 20);
}

TEST_F(TextFlowTest, DecorationsAreHalfPixelLinesAtTheirHeights) {
    struct Case {
        Decoration decoration;
        double offset;  // relative to the baseline, as a function of the font height below
        bool drawn;
    };
    StartFlow();
    const double h = FontHeight();
    const Case cases[] = {
        {Decoration::Underline, 2.0, true},
        {Decoration::Overline, -h / 1.5, true},
        {Decoration::LineThrough, -h * 0.25, true},
        {Decoration::Blink, 0, false},
        {Decoration::None, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.decoration));
        StartFlow();
        context().style.decoration = c.decoration;
        DrawTextRun(context(), "ab");
        if (!c.drawn) {
            EXPECT_TRUE(trace_.lines.empty());
            continue;
        }
        ASSERT_EQ(trace_.lines.size(), 2u) << "one line per glyph";
        const auto& a = trace_.glyphs[0];
        const auto& line = trace_.lines[0];
        EXPECT_EQ(line.width, 0.5);
        EXPECT_DOUBLE_EQ(line.y1, a.baseline + c.offset);
        EXPECT_EQ(line.x1, a.x);
        EXPECT_DOUBLE_EQ(line.x2, a.x + Advance("a"));
        EXPECT_EQ(trace_.lines[1].x1, trace_.glyphs[1].x);
    }
}

TEST_F(TextFlowTest, NewLineAdvancesByTheLineHeightAndWrapByTheFontHeight) {
    StartFlow();
    context().state.lineHeight = 42.0;
    NewLine(context());
    double x, y;
    cairo_get_current_point(cr_.get(), &x, &y);
    EXPECT_EQ(x, 20.0);
    EXPECT_EQ(y, 30.0 + 42.0);
    WrapLine(context());
    cairo_get_current_point(cr_.get(), &x, &y);
    EXPECT_NEAR(y, 30.0 + 42.0 + FontHeight(), 1.0 / 256);
}

TEST_F(TextFlowTest, ListMarkerIsDrawnAtThePenAndEmptiesTheGatheredText) {
    StartFlow();
    context().state.textBuffer = "pending";
    DrawListMarker(context(), "\xE2\x97\x8F ");
    EXPECT_TRUE(context().state.textBuffer.empty());
    ASSERT_EQ(trace_.glyphs.size(), 1u);
    EXPECT_EQ(trace_.glyphs[0].text, "\xE2\x97\x8F ");
    EXPECT_EQ(trace_.glyphs[0].x, 20.0);
    double x, y;
    cairo_get_current_point(cr_.get(), &x, &y);
    EXPECT_NEAR(x, 20.0 + Advance("\xE2\x97\x8F "), 1.0 / 256);
    EXPECT_EQ(y, 30.0) << "the pen stays on the line's top";
}

}  // namespace
}  // namespace quirelle
