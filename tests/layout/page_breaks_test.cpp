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
        {"a picture that fits moves whole", 180, {{0, 20}}, {{20, 90}}, {0, 20, 120}},
        // Overlapping boxes stay together: the picture sits on the second line.
        {"a picture on a line", 200, {{0, 40}, {40, 40}}, {{60, 50}}, {0, 40, 140}},
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

}  // namespace
}  // namespace quirelle
