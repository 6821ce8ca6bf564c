// The book's contents in the view: going to an entry, and which entry the place in view has
// reached.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

// `count` paragraphs "<prefix>N" with ids "<idPrefix>N", after `before`.
std::string Paragraphs(const std::string& prefix, const std::string& idPrefix, int count,
                       const std::string& before = "") {
    std::string body = before;
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        body += "<p id=\"" + idPrefix + n + "\">" + prefix + n + " and a few words after it</p>\n";
    }
    return body;
}

// The contents, depth first: 0 Part One, 1 Scene 30, 2 Scene 60, 3 Notes, 4 Note 20, 5 The End,
// 6 Loose (outside the reading order), 7 Appendices (no link of its own).
const char* const kNav = R"(<?xml version="1.0" encoding="utf-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops">
<head><title>Contents</title></head><body><nav epub:type="toc"><ol>
  <li><a href="Text/chapter1.xhtml">Part <em>One</em></a><ol>
    <li><a href="Text/chapter1.xhtml#p30">Scene 30</a></li>
    <li><a href="Text/chapter1.xhtml#p60">Scene 60</a></li></ol></li>
  <li><a href="Text/notes/notes.xhtml">Notes</a><ol>
    <li><a href="Text/notes/notes.xhtml#n20">Note 20</a></li></ol></li>
  <li><a href="Text/the%20end.xhtml#e%C3%A9">The End</a></li>
  <li><a href="Text/loose.xhtml">Loose</a></li>
  <li><span>Appendices</span></li>
</ol></nav></body></html>)";

class ContentsNavigationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string manifest =
            R"(<item id="nav" href="nav.xhtml" properties="nav" media-type="application/xhtml+xml"/>)"
            R"(<item id="c1" href="Text/chapter1.xhtml" media-type="application/xhtml+xml"/>)"
            R"(<item id="n" href="Text/notes/notes.xhtml" media-type="application/xhtml+xml"/>)"
            R"(<item id="e" href="Text/the%20end.xhtml" media-type="application/xhtml+xml"/>)"
            R"(<item id="l" href="Text/loose.xhtml" media-type="application/xhtml+xml"/>)";
        const std::string spine =
            R"(<itemref idref="c1"/><itemref idref="n"/><itemref idref="e"/>)";
        book_ = dir_ / "book.epub";
        testing::WriteArchive(
            book_,
            testing::BookMembers(
                testing::PackageDocument(manifest, spine),
                {{"OEBPS/nav.xhtml", kNav},
                 {"OEBPS/Text/chapter1.xhtml", testing::XhtmlPage(Paragraphs("Para", "p", 100))},
                 {"OEBPS/Text/notes/notes.xhtml", testing::XhtmlPage(Paragraphs("Note", "n", 100))},
                 {"OEBPS/Text/the end.xhtml",
                  testing::XhtmlPage(
                      Paragraphs("End", "e", 100, "<h1 id=\"e\xC3\xA9\">Accented</h1>"))},
                 {"OEBPS/Text/loose.xhtml", testing::XhtmlPage("<p>Loose</p>")}}));
        view_.Data().areaWidth = 400;
        view_.Data().areaHeight = 300;
        ASSERT_TRUE(view_.OpenBook(book_.string()));
    }

    // The first word of the first line wholly in view.
    std::string TopWord() const {
        const DocumentViewData& data = view_.Data();
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

    double PositionOf(const char* id) const {
        const DocumentLayout& shown = *view_.Data().shown;
        return shown.page.PositionOf(shown.tree, id).value();
    }

    testing::TempDir dir_;
    std::filesystem::path book_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

TEST_F(ContentsNavigationTest, TheViewKeepsTheBooksNestedContents) {
    EXPECT_EQ(frontend_.contentsChanges, 1);
    const auto& tree = view_.Data().contents.Tree();
    ASSERT_EQ(tree.size(), 5u);
    EXPECT_EQ(tree[0].label, "Part One");
    ASSERT_EQ(tree[0].children.size(), 2u);
    EXPECT_EQ(tree[0].children[1].href, "OEBPS/Text/chapter1.xhtml#p60");
    EXPECT_EQ(view_.Data().contents.EntryCount(), 8);
}

TEST_F(ContentsNavigationTest, AnEntryShowsItsPlaceAtTheTopOfTheView) {
    const struct {
        int from;  // the document on display before
        const char* href;
        const char* top;
        int document;
    } cases[] = {
        {1, "OEBPS/Text/chapter1.xhtml", "Para1", 0},
        {1, "OEBPS/Text/chapter1.xhtml#p30", "Para30", 0},
        {0, "OEBPS/Text/chapter1.xhtml#p60", "Para60", 0},  // within the document on display
        {0, "OEBPS/Text/notes/notes.xhtml#n20", "Note20", 1},
        {0, "OEBPS/Text/the end.xhtml#e\xC3\xA9", "Accented", 2},  // escaped in the package
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.href);
        view_.ShowPlace({c.from, 40});
        EXPECT_TRUE(view_.GoToMember(c.href));
        EXPECT_EQ(TopWord(), c.top);
        EXPECT_EQ(view_.Data().currentPage, c.document);
        EXPECT_EQ(frontend_.activePageRow, c.document);
    }
}

TEST_F(ContentsNavigationTest, GoingToAnEntryKeepsThePlaceLeftForBack) {
    view_.GoToMember("OEBPS/Text/chapter1.xhtml#p30");
    view_.GoToMember("OEBPS/Text/notes/notes.xhtml#n20");
    EXPECT_TRUE(frontend_.historyBack);
    view_.GoBack();
    EXPECT_EQ(TopWord(), "Para30");
    view_.GoBack();
    EXPECT_EQ(TopWord(), "Para1");
}

TEST_F(ContentsNavigationTest, AnEntryThatLeadsNowhereLeavesThePlaceAsItWas) {
    const struct {
        const char* href;
        const char* said;  // in the status line; nothing when empty
    } cases[] = {
        {"OEBPS/Text/loose.xhtml", "OEBPS/Text/loose.xhtml, which is not in the book's reading"},
        {"OEBPS/Text/missing.xhtml#x", "OEBPS/Text/missing.xhtml, which is not in the book's"},
        {"", ""},  // a heading of the contents without a link
    };
    view_.GoToMember("OEBPS/Text/chapter1.xhtml#p30");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.href);
        frontend_.statusHistory.clear();
        EXPECT_FALSE(view_.GoToMember(c.href));
        EXPECT_EQ(TopWord(), "Para30");
        EXPECT_EQ(view_.Data().currentPage, 0);
        if (*c.said != '\0') {
            ASSERT_FALSE(frontend_.statusHistory.empty());
            EXPECT_NE(frontend_.statusHistory.back().find(c.said), std::string::npos)
                << frontend_.statusHistory.back();
        }
    }
    view_.GoBack();
    EXPECT_EQ(TopWord(), "Para1") << "only the jump that was made is kept for Back";
}

TEST_F(ContentsNavigationTest, AMissingFragmentShowsTheDocumentsTopAndSaysSo) {
    EXPECT_TRUE(view_.GoToMember("OEBPS/Text/notes/notes.xhtml#nowhere"));
    EXPECT_EQ(TopWord(), "Note1");
    ASSERT_FALSE(frontend_.statusHistory.empty());
    EXPECT_NE(frontend_.statusHistory.back().find("There is no place \"nowhere\""),
              std::string::npos);
}

TEST_F(ContentsNavigationTest, TheCurrentEntryIsTheLastOneAtOrAboveTheTop) {
    EXPECT_EQ(frontend_.currentContentsEntry, 0) << "the book opens in Part One";
    const struct {
        const char* step;
        std::function<void()> act;
        int entry;
    } cases[] = {
        {"just above Scene 30", [&] { view_.ScrollTo(PositionOf("p30") - 5); }, 0},
        {"Scene 30 at the top", [&] { view_.ScrollTo(PositionOf("p30")); }, 1},
        {"the scrollbar past Scene 60", [&] { view_.SetScroll(PositionOf("p60") + 40); }, 2},
        {"the end of the chapter", [&] { view_.HandleKey(DocumentView::Key::End, false); }, 2},
        {"the next document", [&] { view_.GoToDocument(1); }, 3},
        {"an entry's place", [&] { view_.GoToMember("OEBPS/Text/notes/notes.xhtml#n20"); }, 4},
        {"a heading below the body's margin", [&] { view_.GoToDocument(2); }, 5},
        {"back in the first document",
         [&] {
             view_.ShowPlace({0, 0});
         },
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        c.act();
        EXPECT_EQ(frontend_.currentContentsEntry, c.entry);
    }
}

}  // namespace
}  // namespace quirelle
