// Note links: the note shows beside its link, laid out on its own, and the page stays.
#include <gtest/gtest.h>

#include <string>

#include "document/tree_markup.hpp"
#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

// A page that declares the prefix `epub:type` needs.
std::string OpsPage(const std::string& body) {
    return R"(<?xml version="1.0" encoding="utf-8"?>)"
           R"(<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops">)"
           R"(<head><title>Page</title></head><body>)" +
           body + "</body></html>";
}

LinkRecord LinkTo(std::string target, std::uint32_t element = 0xFFFFFFFFu) {
    LinkRecord link;
    link.x1 = 10;
    link.y1 = 20;
    link.x2 = 30;
    link.y2 = 36;
    link.Hlink = std::move(target);
    link.element = element;
    return link;
}

// The words of the note laid out last, joined by blanks.
std::string NoteText(const DocumentView& view) {
    std::string text;
    if (!view.Data().note) {
        return text;
    }
    const PageLayout& page = view.Data().note->page;
    for (const PlacedWord& word : page.words) {
        text += (text.empty() ? "" : " ") + std::string(page.WordText(word));
    }
    return text;
}

class NotesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string manifest =
            R"(<item id="c" href="Text/chapter.xhtml" media-type="application/xhtml+xml"/>)"
            R"(<item id="n" href="Text/notes.xhtml" media-type="application/xhtml+xml"/>)";
        std::string chapter =
            "<p>Text<a id=\"ref\" epub:type=\"noteref\" href=\"#own\">1</a> "
            "and <a href=\"notes.xhtml#fn2\">2</a> and <a href=\"#sec\">3</a> "
            "and <a href=\"notes.xhtml#plain\">4</a></p>";
        for (int i = 0; i < 60; ++i) {
            chapter += "<p>Filler " + std::to_string(i) + "</p>";
        }
        chapter +=
            "<section id=\"sec\"><p>Section text</p></section>"
            "<p id=\"own\">The <i>own</i> note &amp; more.</p>";
        const std::string notes =
            "<aside epub:type=\"footnote\" id=\"fn2\"><p>Second note</p></aside>"
            "<p id=\"plain\">Not a note</p>";
        const auto book = dir_ / "book.epub";
        testing::WriteArchive(
            book, testing::BookMembers(testing::PackageDocument(
                                           manifest, R"(<itemref idref="c"/><itemref idref="n"/>)"),
                                       {{"OEBPS/Text/chapter.xhtml", OpsPage(chapter)},
                                        {"OEBPS/Text/notes.xhtml", OpsPage(notes)}}));
        view_.Data().areaWidth = 500;
        view_.Data().areaHeight = 300;
        ASSERT_TRUE(view_.OpenBook(book.string()));
    }

    // The element of the chapter's link to `target`.
    std::uint32_t LinkElement(const std::string& target) const {
        for (const PlacedLink& link : view_.Data().shown->page.links) {
            if (link.target == target) {
                return link.element;
            }
        }
        return 0xFFFFFFFFu;
    }

    testing::TempDir dir_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

TEST_F(NotesTest, ANoteLinkShowsTheNoteBesideItAndTheOthersLeaveThePage) {
    const struct {
        const char* target;
        const char* note;  // empty: the link leaves the page
        int document;      // shown afterwards
    } cases[] = {
        {"#own", "The own note & more.", 0},    // marked noteref
        {"notes.xhtml#fn2", "Second note", 0},  // to an aside marked footnote
        {"#sec", "", 0},                        // a section is no note
        {"notes.xhtml#plain", "", 1},           // nor a paragraph
        {"notes.xhtml#missing", "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        view_.ShowPlace({0, 0});
        view_.Data().note.reset();
        frontend_.notesShown.clear();
        view_.FollowLink(LinkTo(c.target, LinkElement(c.target)));
        EXPECT_EQ(NoteText(view_), c.note);
        EXPECT_EQ(frontend_.notesShown.size(), c.note[0] ? 1u : 0u);
        EXPECT_EQ(view_.Data().currentPage, c.document);
        if (c.note[0]) {
            EXPECT_EQ(view_.Data().scrollY, 0.0) << "the page stays where it was";
            EXPECT_EQ(frontend_.notesShown[0].linkY, 20.0);
            EXPECT_GT(frontend_.notesShown[0].height, 0.0);
        }
    }
}

TEST_F(NotesTest, GoingToTheNoteLeavesThePageForItAndBackReturns) {
    view_.FollowLink(LinkTo("notes.xhtml#fn2", LinkElement("notes.xhtml#fn2")));
    ASSERT_EQ(NoteText(view_), "Second note");
    view_.GoToNote();
    EXPECT_EQ(view_.Data().currentPage, 1);
    view_.GoBack();
    EXPECT_EQ(view_.Data().currentPage, 0);
}

TEST(TreeMarkupTest, AnElementIsWrittenBackWholeAndWellFormed) {
    const DocumentTree tree = DocumentTree::Parse(
        R"(<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops">)"
        R"(<body><aside epub:type="footnote" id="n" title="a &quot;b&quot; &lt;c&gt;">)"
        R"(<p>One &amp; <i>two</i><br/></p><svg xmlns="http://www.w3.org/2000/svg"><rect/></svg>)"
        R"(</aside></body></html>)");
    const std::string markup = MarkupOf(tree, tree.FindId("n"));
    EXPECT_EQ(
        markup,
        R"(<aside xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops")"
        R"( epub:type="footnote" id="n" title="a &quot;b&quot; &lt;c&gt;">)"
        R"(<p>One &amp; <i>two</i><br/></p>)"
        R"(<svg xmlns="http://www.w3.org/2000/svg"><rect/></svg></aside>)");
    const DocumentTree again = DocumentTree::Parse(markup);
    EXPECT_TRUE(again.wellFormed()) << again.error();
    EXPECT_EQ(MarkupOf(tree, kNoNode), "");
}

}  // namespace
}  // namespace quirelle
