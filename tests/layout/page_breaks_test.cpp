#include "layout/page_breaks.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace quirelle {
namespace {

struct Box {
    double top;
    double height;
};

TEST(PageBreaksTest, PagesEndBetweenLinesAndAroundPicturesThatFit) {
    struct Case {
        const char* what;
        double height;
        std::vector<Box> lines;
        std::vector<Box> pictures;
        std::vector<double> tops;
    };
    const Case cases[] = {
        {"short enough for one page", 90, {{0, 30}, {30, 30}, {60, 30}}, {}, {0}},
        {"exactly one page", 100, {{0, 50}, {50, 50}}, {}, {0}},
        // A line that would cross the page's foot starts the next page.
        {"lines",
         250,
         {{0, 30}, {30, 30}, {60, 30}, {90, 30}, {120, 30}, {150, 100}},
         {},
         {0, 90, 150}},
        // The rows below the picture hold nothing: they make no blank page of their own.
        {"a picture that fits moves whole", 180, {{0, 20}}, {{20, 90}}, {0, 20}},
        // Overlapping boxes stay together: the picture sits on the second line.
        {"a picture on a line", 200, {{0, 40}, {40, 40}}, {{60, 50}}, {0, 40}},
        {"what follows the last line is no page", 250, {{0, 60}, {60, 60}}, {}, {0, 60}},
        // What is taller than a page is cut where the page is full; so is a page of nothing.
        {"a picture taller than a page", 250, {}, {{0, 250}}, {0, 100, 200}},
        {"no lines at all", 150, {}, {}, {0, 100}},
        {"a line at the very top", 130, {{0, 120}}, {}, {0, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PageLayout page;
        page.height = c.height;
        for (const Box& line : c.lines) {
            LineBox box;
            box.top = line.top;
            box.height = line.height;
            page.lines.push_back(box);
        }
        for (const Box& picture : c.pictures) {
            PlacedPicture placed;
            placed.y = picture.top;
            placed.height = picture.height;
            page.pictures.push_back(placed);
        }
        EXPECT_EQ(PageBreaks(page, 100), c.tops);
    }
}

// On paper the book's requests move the breaks: lines of 10 rows, pages of 100.
TEST(PageBreaksTest, PrintedPagesHonourForcedBreaksAndKeptSpansThatFit) {
    struct Case {
        const char* what;
        BreakRequests requests;
        std::vector<double> tops;
    };
    const Case cases[] = {
        {"none", {}, {0, 100, 200}},
        {"a forced break", {{50}, {}}, {0, 50, 150}},
        // Before anything drawn and after everything there is no page to start.
        {"forced breaks at either end", {{0, 250, 400}, {}}, {0, 100, 200}},
        {"a span crossing the foot moves whole", {{}, {{80, 130}}}, {0, 80, 180}},
        {"a span taller than a page is left to the lines", {{}, {{20, 180}}}, {0, 100, 200}},
        {"a span from the page's top that does not fit", {{}, {{0, 120}}}, {0, 100, 200}},
    };
    PageLayout page;
    page.height = 330;  // 80 rows of margin below the last line make no page
    for (int line = 0; line < 25; ++line) {
        LineBox box;
        box.top = line * 10;
        box.height = 10;
        page.lines.push_back(box);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PageBreaks(page, 100, c.requests), c.tops);
    }
}

}  // namespace
}  // namespace quirelle
