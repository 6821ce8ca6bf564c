// Zoom and the text column: the page is laid out afresh at the zoomed size, keeps the first word
// in view, answers clicks where it is drawn, and its lines keep to the column, centred.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "view/document_view.hpp"
#include "view/view_scale.hpp"

namespace quirelle {
namespace {

// `count` paragraphs "ParaN ..." with ids pN, and a web link in paragraph 12.
std::string Paragraphs(int count) {
    std::string body;
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        body += "<p id=\"p" + n + "\">Para" + n + " and a few words after it";
        if (i == 12) {
            body += " <a href=\"https://example.com/twelve\">here</a>";
        }
        body += "</p>\n";
    }
    return body;
}

class ZoomTest : public ::testing::Test {
  protected:
    void SetUp() override {
        book_ = dir_ / "book.epub";
        testing::WriteArchive(
            book_, testing::BookMembers(
                       testing::PackageDocument(
                           R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)",
                           R"(<itemref idref="c"/>)"),
                       {{"OEBPS/c.xhtml", testing::XhtmlPage(Paragraphs(100))}}));
    }

    void Open(int width, int height) {
        view_.Data().areaWidth = width;
        view_.Data().areaHeight = height;
        ASSERT_TRUE(view_.OpenBook(book_.string()));
    }

    void Zoom(int percent) {
        frontend_.MutableSettings().zoom = percent;
        view_.SettingsChanged();
    }

    // The first word of the first line wholly in view.
    std::string TopWord() const {
        const DocumentViewData& data = view_.Data();
        const PageLayout& page = data.shown->page;
        for (const LineBox& line : page.lines) {
            if (line.top >= data.scrollY - 0.5 && line.wordCount > 0) {
                return std::string(page.WordText(page.words[line.firstWord]));
            }
        }
        return "(no line in view)";
    }

    // The width on screen of the first word, "Para1".
    double FirstWordWidthOnScreen() const {
        const DocumentViewData& data = view_.Data();
        return data.shownScale.ToDevice(data.shown->page.words.front().width);
    }

    testing::TempDir dir_;
    std::filesystem::path book_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

TEST_F(ZoomTest, EveryZoomKeepsTheFirstWordInView) {
    Open(500, 300);
    view_.GotoTarget("#p50");
    ASSERT_EQ(TopWord(), "Para50");
    for (const int zoom : {50, 150, 300, 100}) {
        SCOPED_TRACE(zoom);
        Zoom(zoom);
        EXPECT_EQ(TopWord(), "Para50");
        const ViewScale& scale = view_.Data().shownScale;
        EXPECT_DOUBLE_EQ(scale.zoom, zoom / 100.0);
        // Narrower than the column of 40 em (640 units) at every zoom but 50 %.
        EXPECT_EQ(view_.Data().shown->width, std::min(640.0, std::floor(500 / scale.zoom)));
        // The scrollbar counts pixels of the screen.
        EXPECT_DOUBLE_EQ(view_.ScrollOffsetOnScreen(), view_.Data().scrollY * scale.zoom);
    }
}

TEST_F(ZoomTest, TheLayoutIsMadeAtTheZoomedSize) {
    frontend_.MutableSettings().lineLength = 0;
    Open(320, 600);
    const double width = FirstWordWidthOnScreen();
    const std::size_t lines = view_.Data().shown->page.lines.size();
    Zoom(200);
    EXPECT_NEAR(FirstWordWidthOnScreen(), 2 * width, 0.5);
    // Half as many layout units across: the same paragraphs take more lines.
    EXPECT_GT(view_.Data().shown->page.lines.size(), lines);
    EXPECT_EQ(view_.Data().shown->width, 160);
}

TEST_F(ZoomTest, AClickAtZoomFollowsTheLinkWhereItIsDrawn) {
    Open(600, 800);
    Zoom(150);
    const std::vector<LinkRecord>& links = view_.Data().links;
    ASSERT_EQ(links.size(), 1u);
    const LinkRecord link = links.front();
    const ViewScale& scale = view_.Data().shownScale;
    // Where the link would be unzoomed, nothing answers.
    view_.PointerReleased((link.x1 + link.x2) / 2, (link.y1 + link.y2) / 2);
    EXPECT_TRUE(frontend_.openedUrls.empty());
    view_.PointerReleased(scale.left + scale.ToDevice((link.x1 + link.x2) / 2),
                          scale.ToDevice((link.y1 + link.y2) / 2));
    EXPECT_EQ(frontend_.openedUrls, std::vector<std::string>{"https://example.com/twelve"});
}

TEST_F(ZoomTest, LinesKeepToACentredColumnOfTheLineLength) {
    Open(1400, 600);
    const Settings& settings = frontend_.CurrentSettings();
    const double em = 15;  // the body text size of the settings
    const double margin = settings.HorizontalMarginValue();
    const DocumentViewData& data = view_.Data();
    EXPECT_EQ(data.shown->width, 40 * em + 2 * margin);
    EXPECT_EQ(data.shownScale.left, (1400 - data.shown->width) / 2);
    for (const LineBox& line : data.shown->page.lines) {
        EXPECT_LE(line.width, 40 * em);
        EXPECT_GE(line.x, margin - 0.5);
    }
    // A narrow view is narrower than the column: the text takes it whole.
    view_.Data().areaWidth = 400;
    view_.SettingsChanged();
    EXPECT_EQ(data.shown->width, 400);
    EXPECT_EQ(data.shownScale.left, 0);

    frontend_.MutableSettings().lineLength = 0;
    view_.Data().areaWidth = 1400;
    view_.SettingsChanged();
    EXPECT_EQ(data.shown->width, 1400) << "0 sets no limit";
}

TEST(ViewSettingsTest, ZoomAndLineLengthTakeOnlyNumbersWithinTheirBounds) {
    struct Case {
        const char* key;
        const char* value;
        bool taken;
    };
    const Case cases[] = {
        {"zoom", "150", true},       {"zoom", "50", true},       {"zoom", "300", true},
        {"zoom", "49", false},       {"zoom", "301", false},     {"zoom", "150%", false},
        {"zoom", "", false},         {"linelength", "0", true},  {"linelength", "65", true},
        {"linelength", "-1", false}, {"linelength", "x", false}, {"linelength", "1001", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        Settings settings;
        const std::string before = *settings.Get(c.key);
        EXPECT_EQ(settings.Set(c.key, c.value), c.taken);
        EXPECT_EQ(*settings.Get(c.key), c.taken ? std::string(c.value) : before);
    }
    EXPECT_EQ(Settings().Get("zoom"), "100");
    EXPECT_EQ(Settings().Get("linelength"), "40");
}

TEST(ViewSettingsTest, ZoomStepsGoThroughTheUsualSizesAndStopAtTheEnds) {
    struct Case {
        int zoom;
        int direction;
        int next;
    };
    const Case cases[] = {{100, 1, 110}, {100, -1, 90}, {50, -1, 50},  {300, 1, 300},
                          {67, 1, 80},   {67, -1, 50},  {120, 1, 125}, {120, -1, 110},
                          {250, 1, 300}, {55, -1, 50},  {290, 1, 300}, {299, -1, 250}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.zoom) + " by " + std::to_string(c.direction));
        EXPECT_EQ(NextZoomStep(c.zoom, c.direction), c.next);
    }
}

}  // namespace
}  // namespace quirelle
