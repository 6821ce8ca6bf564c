// Places in a book: links to a fragment, Back and Forward, a screenful at a time, and the first
// word in view kept through another width, another font and another start of the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/headless_frontend.hpp"
#include "platform/place_store.hpp"
#include "support/book_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

using Key = DocumentView::Key;

// `count` paragraphs "<prefix>N" with ids "<idPrefix>N", each a line or two long.
std::string Paragraphs(const std::string& prefix, const std::string& idPrefix, int count,
                       const std::string& before = "") {
    std::string body = before;
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        if (prefix == "Para" && i == 40) {
            body += "<a name=\"old\"></a>";  // an old book's anchor, just before Para40
        }
        body += "<p id=\"" + idPrefix + n + "\">" + prefix + n + " and a few words after it</p>\n";
    }
    return body;
}

LinkRecord LinkTo(std::string target) {
    LinkRecord link;
    link.Hlink = std::move(target);
    return link;
}

class ReadingPlacesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string manifest =
            R"(<item id="c1" href="Text/chapter1.xhtml" media-type="application/xhtml+xml"/>)"
            R"(<item id="n" href="Text/notes/notes.xhtml" media-type="application/xhtml+xml"/>)"
            R"(<item id="e" href="Text/the%20end.xhtml" media-type="application/xhtml+xml"/>)";
        const std::string spine =
            R"(<itemref idref="c1"/><itemref idref="n"/><itemref idref="e"/>)";
        book_ = dir_ / "book.epub";
        testing::WriteArchive(
            book_,
            testing::BookMembers(
                testing::PackageDocument(manifest, spine),
                {{"OEBPS/Text/chapter1.xhtml", testing::XhtmlPage(Paragraphs("Para", "p", 100))},
                 {"OEBPS/Text/notes/notes.xhtml", testing::XhtmlPage(Paragraphs("Note", "n", 100))},
                 {"OEBPS/Text/the end.xhtml",
                  testing::XhtmlPage(
                      Paragraphs("End", "e", 100, "<p id=\"e\xC3\xA9\">Accented</p>"))}}));
        Open(view_);
    }

    void Open(DocumentView& view) {
        view.Data().areaWidth = 400;
        view.Data().areaHeight = 300;
        ASSERT_TRUE(view.OpenBook(book_.string()));
    }

    // The first word of the first line wholly in view.
    static std::string TopWord(const DocumentView& view) {
        const DocumentViewData& data = view.Data();
        if (!data.shown) {
            return "(nothing shown)";
        }
        const PageLayout& page = data.shown->page;
        for (const LineBox& line : page.lines) {
            if (line.top >= data.scrollY - 0.5 && line.wordCount > 0) {
                return std::string(page.WordText(page.words[line.firstWord]));
            }
        }
        return "(no line in view)";
    }
    std::string TopWord() const { return TopWord(view_); }

    testing::TempDir dir_;
    std::filesystem::path book_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

TEST_F(ReadingPlacesTest, ALinkShowsItsTargetAtTheTopOfTheView) {
    const struct {
        int from;  // the document the link stands in
        const char* target;
        const char* top;
        int document;
    } cases[] = {
        {0, "#p30", "Para30", 0},
        {0, "notes/notes.xhtml#n20", "Note20", 1},
        {0, "#old", "Para40", 0},                       // `a name`
        {0, "the%20end.xhtml#e%C3%A9", "Accented", 2},  // escaped file and fragment
        {1, "../chapter1.xhtml#p50", "Para50", 0},
        {2, "notes/notes.xhtml#n60", "Note60", 1},  // by the file's name, as old books link
        {1, "#n70", "Note70", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        view_.ShowPlace({c.from, 0});
        view_.FollowLink(LinkTo(c.target));
        EXPECT_EQ(TopWord(), c.top);
        EXPECT_EQ(view_.Data().currentPage, c.document);
        EXPECT_EQ(frontend_.activePageRow, c.document);
    }
}

TEST_F(ReadingPlacesTest, AMissingFragmentShowsTheTopAndSaysSo) {
    view_.FollowLink(LinkTo("#p50"));
    view_.FollowLink(LinkTo("notes/notes.xhtml#nowhere"));
    EXPECT_EQ(view_.Data().currentPage, 1);
    EXPECT_EQ(view_.Data().scrollY, 0.0);
    ASSERT_FALSE(frontend_.statusHistory.empty());
    EXPECT_NE(frontend_.statusHistory.back().find("There is no place \"nowhere\""),
              std::string::npos)
        << frontend_.statusHistory.back();
}

TEST_F(ReadingPlacesTest, BackAndForwardRetraceAChainOfJumps) {
    EXPECT_FALSE(frontend_.historyBack);
    view_.FollowLink(LinkTo("#p30"));
    view_.FollowLink(LinkTo("notes/notes.xhtml#n20"));
    view_.FollowLink(LinkTo("../the%20end.xhtml#e50"));
    EXPECT_EQ(TopWord(), "End50");
    EXPECT_TRUE(frontend_.historyBack);
    EXPECT_FALSE(frontend_.historyForward);

    const char* back[] = {"Note20", "Para30", "Para1"};
    for (const char* expected : back) {
        view_.HandleKey(Key::Back, false);
        EXPECT_EQ(TopWord(), expected);
    }
    EXPECT_FALSE(frontend_.historyBack);
    view_.HandleKey(Key::Back, false);
    EXPECT_EQ(TopWord(), "Para1") << "nothing further back";

    view_.HandleKey(Key::Forward, false);
    EXPECT_EQ(TopWord(), "Para30");
    view_.HandleKey(Key::Forward, false);
    EXPECT_EQ(TopWord(), "Note20");
    EXPECT_TRUE(frontend_.historyForward);
    // A new jump forgets the places ahead.
    view_.FollowLink(LinkTo("#n90"));
    EXPECT_FALSE(frontend_.historyForward);
    view_.HandleKey(Key::Back, false);
    EXPECT_EQ(TopWord(), "Note20");
}

TEST_F(ReadingPlacesTest, ThePageListKeepsThePlaceItLeavesForBack) {
    view_.FollowLink(LinkTo("#p45"));
    view_.GoToDocument(2);
    EXPECT_EQ(TopWord(), "Accented");
    view_.GoBack();
    EXPECT_EQ(TopWord(), "Para45");
}

TEST_F(ReadingPlacesTest, ThePlaceSurvivesAnotherWidthAndAnotherFont) {
    view_.FollowLink(LinkTo("#p50"));
    ASSERT_EQ(TopWord(), "Para50");
    CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    CairoContext cr(cairo_create(surface.get()));
    view_.Draw(cr.get(), 180, 300);  // narrow: every paragraph wraps
    EXPECT_EQ(TopWord(), "Para50");
    EXPECT_GT(view_.Data().shown->page.lines.size(), 150u) << "the paragraphs did not wrap";

    frontend_.MutableSettings().standart.size = "30";
    view_.SettingsChanged();
    EXPECT_EQ(TopWord(), "Para50");
    EXPECT_GT(frontend_.redrawCount, 0);
}

TEST_F(ReadingPlacesTest, SpaceMovesAScreenfulAndOnIntoTheNextDocument) {
    view_.HandleKey(Key::ScreenDown, false);
    EXPECT_NEAR(view_.Data().scrollY, 270.0, 0.5) << "a screenful less a tenth";
    view_.HandleKey(Key::ScreenUp, false);
    EXPECT_EQ(view_.Data().scrollY, 0.0);
    view_.HandleKey(Key::ScreenUp, false);
    EXPECT_EQ(view_.Data().currentPage, 0) << "nothing before the first document";

    view_.HandleKey(Key::End, false);
    const double end = view_.Data().scrollY;
    EXPECT_NEAR(end, view_.Data().shown->page.height - 300, 0.5);
    view_.HandleKey(Key::ScreenDown, false);
    EXPECT_EQ(view_.Data().currentPage, 1);
    EXPECT_EQ(TopWord(), "Note1");
    view_.HandleKey(Key::ScreenUp, false);
    EXPECT_EQ(view_.Data().currentPage, 0);
    EXPECT_NEAR(view_.Data().scrollY, end, 0.5) << "back at the end of the document before";
    view_.HandleKey(Key::Home, false);
    EXPECT_EQ(TopWord(), "Para1");
}

TEST_F(ReadingPlacesTest, ABookReopensAtItsPlace) {
    PlaceStore store = PlaceStore::Load(dir_ / "state" / "places");
    {
        HeadlessFrontend frontend;
        DocumentView view(frontend);
        view.KeepPlacesIn(&store);
        Open(view);
        view.FollowLink(LinkTo("notes/notes.xhtml#n33"));
        view.RememberPlace();
    }
    HeadlessFrontend frontend;
    DocumentView view(frontend);
    PlaceStore reread = PlaceStore::Load(dir_ / "state" / "places");
    EXPECT_EQ(reread.LastBook(), book_.string());
    view.KeepPlacesIn(&reread);
    Open(view);
    EXPECT_EQ(view.Data().currentPage, 1);
    EXPECT_EQ(TopWord(view), "Note33");
}

}  // namespace
}  // namespace quirelle
