#include "package/contents_tree.hpp"

#include <gtest/gtest.h>

#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

using testing::NavPoint;
using testing::NcxDocument;

// The tree in one line: "label=href" per entry, children in brackets, siblings by ", ".
std::string Outline(const std::vector<ContentsEntry>& entries) {
    std::string out;
    for (const ContentsEntry& entry : entries) {
        if (!out.empty()) {
            out += ", ";
        }
        out += entry.label + "=" + entry.href;
        if (!entry.children.empty()) {
            out += " [" + Outline(entry.children) + "]";
        }
    }
    return out;
}

std::string NavPage(const std::string& navs) {
    return R"(<?xml version="1.0" encoding="utf-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops">
<head><title>Contents</title></head><body>)" +
           navs + "</body></html>";
}

struct NavCase {
    const char* name;
    std::string navs;
    std::string expected;  // "-" when no tree comes out
};

TEST(ContentsFromNavTest, ReadsTheTocNavAsTheBookNestsIt) {
    const NavCase cases[] = {
        {"nested, labels collapsed, hrefs resolved and decoded",
         R"(<nav epub:type="toc"><h1>Contents</h1><ol>
              <li><a href="one.xhtml">  Part
                  <em>One</em> </a>
                <ol><li><a href="one.xhtml#s1">Scene 1</a></li>
                    <li><a href="../Other/My%20Two.xhtml#s%C3%A9">Scène 2</a></li></ol></li>
              <li><span>Appendices</span><ol><li><a href="app.xhtml">A</a></li></ol></li>
            </ol></nav>)",
         "Part One=OEBPS/Text/one.xhtml [Scene 1=OEBPS/Text/one.xhtml#s1, "
         "Scène 2=OEBPS/Other/My Two.xhtml#sé], Appendices= [A=OEBPS/Text/app.xhtml]"},
        {"the toc nav among others, whatever its prefix",
         R"(<nav epub:type="landmarks"><ol><li><a href="x.xhtml">Cover</a></li></ol></nav>
            <nav xmlns:o="http://www.idpf.org/2007/ops" o:type="toc foo"><ol>
              <li><a href="a.xhtml">A</a></li></ol></nav>)",
         "A=OEBPS/Text/a.xhtml"},
        {"web addresses stay as written", R"(<nav epub:type="toc"><ol>
              <li><a href="https://example.org/a%20b">Site</a></li></ol></nav>)",
         "Site=https://example.org/a%20b"},
        {"no toc nav",
         R"(<nav epub:type="page-list"><ol><li><a href="a.xhtml">1</a></li></ol></nav>)", "-"},
        {"an empty toc nav", R"(<nav epub:type="toc"><ol></ol></nav>)", "-"},
        {"not well-formed", R"(<nav epub:type="toc"><ol><li><a href="a.xhtml">A</a></li></nav>)",
         "-"},
    };
    for (const NavCase& c : cases) {
        const auto tree = ContentsFromNav(NavPage(c.navs), "OEBPS/Text/nav.xhtml");
        EXPECT_EQ(tree ? Outline(*tree) : "-", c.expected) << c.name;
    }
}

TEST(ContentsFromNcxTest, ReadsTheNavMapAsTheBookNestsIt) {
    const std::string nested =
        "<navPoint><navLabel><text>\n  Part\tI\n</text></navLabel>"
        "<content src=\"Text/one.xhtml\"/>" +
        NavPoint("Chapter 1", "Text/one.xhtml#c%201") + NavPoint("Chapter 2", "Text/two.xhtml") +
        "</navPoint>" + NavPoint("Part II", "Text/three.xhtml");
    const auto tree = ContentsFromNcx(NcxDocument(nested), "OEBPS/toc.ncx");
    ASSERT_TRUE(tree);
    EXPECT_EQ(Outline(*tree),
              "Part I=OEBPS/Text/one.xhtml [Chapter 1=OEBPS/Text/one.xhtml#c 1, "
              "Chapter 2=OEBPS/Text/two.xhtml], Part II=OEBPS/Text/three.xhtml");
    EXPECT_FALSE(ContentsFromNcx("<ncx><navMap><navPoint>", "toc.ncx"));
}

TEST(ContentsTreeTest, HostileDepthAndSizeAreBounded) {
    std::string deep;
    for (int i = 0; i < 5000; ++i) {
        deep += "<navPoint><navLabel><text>L</text></navLabel><content src=\"a.xhtml\"/>";
    }
    for (int i = 0; i < 5000; ++i) {
        deep += "</navPoint>";
    }
    const auto tree = ContentsFromNcx(NcxDocument(deep), "toc.ncx");
    ASSERT_TRUE(tree);
    int depth = 0;
    for (const std::vector<ContentsEntry>* level = &*tree; !level->empty();
         level = &level->front().children) {
        ++depth;
    }
    EXPECT_EQ(depth, kMaxContentsDepth);

    std::string wide;
    for (std::size_t i = 0; i < kMaxContentsEntries + 10; ++i) {
        wide += "<li><a href=\"a.xhtml\">x</a></li>";
    }
    const auto many =
        ContentsFromNav(NavPage("<nav epub:type=\"toc\"><ol>" + wide + "</ol></nav>"), "nav.xhtml");
    ASSERT_TRUE(many);
    EXPECT_EQ(many->size(), kMaxContentsEntries);
}

TEST(ResolveContentsHrefTest, ResolvesAgainstTheMembersFolder) {
    const struct {
        const char* base;
        const char* reference;
        const char* expected;
    } cases[] = {
        {"OEBPS/nav.xhtml", "Text/a.xhtml", "OEBPS/Text/a.xhtml"},
        {"OEBPS/Text/nav.xhtml", "./../b.xhtml#x", "OEBPS/b.xhtml#x"},
        {"nav.xhtml", "../../a.xhtml", "a.xhtml"},
        {"OEBPS/nav.xhtml", "#top", "OEBPS/nav.xhtml#top"},
        {"OEBPS/nav.xhtml", "A%20b%zz.xhtml", "OEBPS/A b%zz.xhtml"},
        {"OEBPS/nav.xhtml", "mailto:a@b.org", "mailto:a@b.org"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ResolveContentsHref(c.base, c.reference), c.expected) << c.reference;
    }
}

// In a book: the navigation document's tree when it has one, the NCX's when the navigation
// document is damaged or absent.
TEST(ReadContentsTreeTest, TheNavigationDocumentElseTheNcx) {
    const std::string manifest =
        R"(<item id="nav" href="Text/nav.xhtml" properties="nav" media-type="application/xhtml+xml"/>
           <item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml"/>
           <item id="c" href="Text/c.xhtml" media-type="application/xhtml+xml"/>)";
    const std::string ncx = NcxDocument(NavPoint("From NCX", "Text/c.xhtml"));
    const struct {
        const char* name;
        std::string nav;
        std::string expected;
    } cases[] = {
        {"nav",
         NavPage(R"(<nav epub:type="toc"><ol><li><a href="c.xhtml">From nav</a></li></ol></nav>)"),
         "From nav=OEBPS/Text/c.xhtml"},
        {"damaged nav", NavPage("<nav epub:type=\"toc\"><ol><li>"), "From NCX=OEBPS/Text/c.xhtml"},
    };
    for (const auto& c : cases) {
        testing::TempDir dir;
        const auto path = dir / "book.epub";
        testing::WriteArchive(
            path, testing::BookMembers(
                      testing::PackageDocument(manifest, R"(<itemref idref="c"/>)",
                                               "<dc:title>Fixture</dc:title>", " toc=\"ncx\""),
                      {{"OEBPS/Text/nav.xhtml", c.nav},
                       {"OEBPS/toc.ncx", ncx},
                       {"OEBPS/Text/c.xhtml", testing::XhtmlPage("<p>c</p>")}}));
        HeadlessFrontend frontend;
        DocumentView view(frontend);
        view.OpenBook(path.string());
        EXPECT_EQ(Outline(ReadContentsTree(view.Data().book)), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace quirelle
