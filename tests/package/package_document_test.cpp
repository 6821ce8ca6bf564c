#include "package/package_document.hpp"

#include <gtest/gtest.h>

#include "platform/headless_frontend.hpp"
#include "platform/paths.hpp"
#include "support/book_fixture.hpp"
#include "support/scoped_environment.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

using testing::BookMembers;
using testing::Member;
using testing::NavPoint;
using testing::NcxDocument;
using testing::PackageDocument;

std::string Item(const std::string& id, const std::string& href,
                 const std::string& properties = "") {
    return "<item id=\"" + id + "\" href=\"" + href + "\" media-type=\"application/xhtml+xml\"" +
           (properties.empty() ? "" : " properties=\"" + properties + "\"") + "/>\n";
}

std::string Itemref(const std::string& idref) {
    return "<itemref idref=\"" + idref + "\"/>\n";
}

const std::string kThreeChapters =
    Item("c1", "Text/one.xhtml") + Item("c2", "Text/two.xhtml") + Item("c3", "Text/three.xhtml");
const std::string kThreeItemrefs = Itemref("c1") + Itemref("c2") + Itemref("c3");

struct Entry {
    std::string label;
    std::string href;
    bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& entry, std::ostream* out) {
    *out << "{" << entry.label << ", " << entry.href << "}";
}

class PackageTest : public ::testing::Test {
  protected:
    void Open(const std::vector<Member>& members) {
        const auto path = dir_ / "book.epub";
        testing::WriteArchive(path, members);
        view_.OpenBook(path.string());
    }

    std::vector<Entry> ReadingOrder() const {
        std::vector<Entry> entries;
        const BookState& book = view_.Data().book;
        for (int i = 0; i < book.documentCount; ++i) {
            entries.push_back({book.documents[i].label, book.documents[i].href});
        }
        return entries;
    }

    const BookState& book() const { return view_.Data().book; }

    testing::TempDir dir_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

TEST_F(PackageTest, SpineGivesTheReadingOrderWithFragmentsCut) {
    Open(BookMembers(PackageDocument(kThreeChapters + Item("c4", "Text/four.xhtml#start"),
                                     kThreeItemrefs + Itemref("c4"))));
    EXPECT_EQ(ReadingOrder(), (std::vector<Entry>{{"0", "Text/one.xhtml"},
                                                  {"1", "Text/two.xhtml"},
                                                  {"2", "Text/three.xhtml"},
                                                  {"3", "Text/four.xhtml"}}));
    EXPECT_EQ(frontend_.pageListRows, (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(frontend_.pageSliderMaximum, 3);
    EXPECT_EQ(frontend_.exportMaximum, 3);
    EXPECT_EQ(frontend_.exportFrom, 0);
    EXPECT_EQ(frontend_.exportTo, 3);
    EXPECT_EQ(frontend_.activePageRow, 0);
    EXPECT_EQ(book().rootfilePath, "OEBPS/content.opf");
    EXPECT_FLOAT_EQ(book().packageVersion, 3.0f);
}

TEST_F(PackageTest, NcxOrSpineDependsOnThePointCountAndIgnoreToc) {
    const std::string manifest =
        kThreeChapters +
        "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>";
    const std::string threePoints = NavPoint("Opening", "Text/one.xhtml") +
                                    NavPoint("Middle", "Text/two.xhtml#sec2") +
                                    NavPoint("Close", "Text/three.xhtml");
    struct Case {
        const char* what;
        std::string navPoints;
        bool ignoreToc;
        std::vector<Entry> expected;
    };
    const Case cases[] = {
        {"three points, TOC used",
         threePoints,
         false,
         {{"Opening", "Text/one.xhtml"},
          {"Middle", "Text/two.xhtml"},
          {"Close", "Text/three.xhtml"}}},
        {"three points, TOC ignored",
         threePoints,
         true,
         {{"0", "Text/one.xhtml"}, {"1", "Text/two.xhtml"}, {"2", "Text/three.xhtml"}}},
        // A single point counts as no table of contents: the spine follows it.
        {"one point",
         NavPoint("Only", "Text/three.xhtml"),
         false,
         {{"Only", "Text/three.xhtml"},
          {"1", "Text/one.xhtml"},
          {"2", "Text/two.xhtml"},
          {"3", "Text/three.xhtml"}}},
        {"no points",
         "",
         false,
         {{"0", "Text/one.xhtml"}, {"1", "Text/two.xhtml"}, {"2", "Text/three.xhtml"}}},
        // Nested points are flattened in document order; labels lose line breaks and tabs.
        {"nested, multi-line labels",
         "<navPoint><navLabel><text>\n\t\tPart\n\t\tOne\n\t</text></navLabel>"
         "<content src=\"Text/one.xhtml\"/>" +
             NavPoint("Inner", "Text/two.xhtml") + "</navPoint>",
         false,
         {{"PartOne", "Text/one.xhtml"}, {"Inner", "Text/two.xhtml"}}},
        {"malformed after two points",
         NavPoint("A", "Text/one.xhtml") + NavPoint("B", "Text/two.xhtml") + "<navPoint><oops>",
         false,
         {{"A", "Text/one.xhtml"}, {"B", "Text/two.xhtml"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frontend_.MutableSettings().ignoreToc = c.ignoreToc;
        view_.Reset();
        Open(BookMembers(
            PackageDocument(manifest, kThreeItemrefs, "<dc:title>T</dc:title>", " toc=\"ncx\""),
            {{"OEBPS/toc.ncx", NcxDocument(c.navPoints)}}));
        EXPECT_EQ(ReadingOrder(), c.expected);
        EXPECT_EQ(book().tocHref, "toc.ncx");
    }
}

TEST_F(PackageTest, MissingNcxLeavesTheSpineOrder) {
    frontend_.MutableSettings().ignoreToc = false;
    Open(BookMembers(PackageDocument(kThreeChapters + Item("ncx", "gone.ncx"), kThreeItemrefs, "",
                                     " toc=\"ncx\"")));
    EXPECT_EQ(ReadingOrder().size(), 3u);
    EXPECT_EQ(ReadingOrder()[0], (Entry{"0", "Text/one.xhtml"}));
}

TEST_F(PackageTest, UnmatchedIdrefKeepsItsPlaceWithoutARow) {
    Open(BookMembers(
        PackageDocument(kThreeChapters, Itemref("c1") + Itemref("nothing") + Itemref("c3"))));
    EXPECT_EQ(ReadingOrder(),
              (std::vector<Entry>{{"0", "Text/one.xhtml"}, {"", ""}, {"2", "Text/three.xhtml"}}));
    EXPECT_EQ(frontend_.pageListRows, (std::vector<std::string>{"0", "2"}));
}

TEST_F(PackageTest, NavigationDocumentIsAppendedOnlyForExactlyNav) {
    struct Case {
        const char* properties;
        bool appended;
    };
    for (const Case& c : {Case{"nav", true}, Case{"nav scripted", false}, Case{"", false}}) {
        SCOPED_TRACE(c.properties);
        view_.Reset();
        Open(BookMembers(PackageDocument(kThreeChapters + Item("toc", "nav.xhtml", c.properties),
                                         Itemref("c1"))));
        const std::vector<Entry> order = ReadingOrder();
        ASSERT_EQ(order.size(), c.appended ? 2u : 1u);
        if (c.appended) {
            EXPECT_EQ(order.back(), (Entry{"Content", "nav.xhtml"}));
            EXPECT_EQ(book().navHref, "nav.xhtml");
            EXPECT_EQ(frontend_.pageListRows.back(), "Content");
        } else {
            EXPECT_EQ(book().navHref, "");
        }
    }
}

// The book's cover, or none (""): the panel then shows the placeholder, which is not the book's.
TEST_F(PackageTest, CoverPrecedence) {
    const std::string placeholder = PicturePath("no_cover.png").string();
    auto image = [](const std::string& id, const std::string& href,
                    const std::string& properties = "") {
        return "<item id=\"" + id + "\" href=\"" + href + "\" media-type=\"image/jpeg\"" +
               (properties.empty() ? "" : " properties=\"" + properties + "\"") + "/>";
    };
    struct Case {
        const char* what;
        std::string manifest;
        std::string metadata;
        std::string expected;
    };
    const Case cases[] = {
        {"nothing", "", "", ""},
        {"properties beat id",
         image("cover-image", "by-id.jpg") + image("pic", "by-properties.jpg", "cover-image"), "",
         "by-properties.jpg"},
        {"id alone", image("cover-image", "by-id.jpg"), "", "by-id.jpg"},
        {"meta with a file name", "", R"(<meta name="cover" content="images/cover.jpg"/>)",
         "images/cover.jpg"},
        {"meta naming an item id", image("cov", "c.jpg"), R"(<meta name="cover" content="cov"/>)",
         "c.jpg"},
        {"meta naming an item id that is missing", "", R"(<meta name="cover" content="cov"/>)", ""},
        {"meta beats the id cover-image",
         image("cover-image", "by-id.jpg") + image("cov", "by-meta.jpg"),
         R"(<meta name="cover" content="cov"/>)", "by-meta.jpg"},
        {"cover-image among other properties", image("pic", "svg-cover.svg", "svg cover-image"), "",
         "svg-cover.svg"},
        {"cover-image item beats meta", image("x", "item.jpg", "cover-image"),
         R"(<meta name="cover" content="meta.jpg"/>)", "item.jpg"},
        {"content before name", "", R"(<meta content="early.jpg" name="cover"/>)", "early.jpg"},
        {"a later meta of another name", "",
         R"(<meta name="cover" content="a.jpg"/><meta name="other" content="b.jpg"/>)", "a.jpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view_.Reset();
        Open(BookMembers(PackageDocument(kThreeChapters + c.manifest, kThreeItemrefs,
                                         "<dc:title>T</dc:title>" + c.metadata)));
        EXPECT_EQ(book().coverPath, c.expected);
        EXPECT_EQ(frontend_.coverPath, c.expected.empty() ? placeholder : c.expected);
        EXPECT_EQ(frontend_.coverArchivePath, (dir_ / "book.epub").string());
    }
}

TEST_F(PackageTest, MetadataShowsTheWholeTrimmedTextAndTheLastRepeat) {
    Open(BookMembers(PackageDocument(kThreeChapters, kThreeItemrefs, R"(
        <dc:title>
          Pride &amp; Prejudice
        </dc:title>
        <dc:creator>First</dc:creator><dc:creator>Second</dc:creator>
        <dc:creator>Last &lt;one&gt;</dc:creator>
        <dc:description>Two
lines</dc:description>
        <dc:publisher>House</dc:publisher>
        <dc:date>1813</dc:date>)")));
    EXPECT_EQ(frontend_.metadata[MetadataField::Title], "Pride & Prejudice");
    EXPECT_EQ(frontend_.metadata[MetadataField::Creator], "Last <one>");
    EXPECT_EQ(frontend_.metadata[MetadataField::Description], "Two\nlines");
    EXPECT_EQ(frontend_.metadata[MetadataField::Publisher], "House");
    EXPECT_EQ(frontend_.metadata[MetadataField::Date], "1813");
}

TEST_F(PackageTest, ElementsAreKnownByNamespaceWhateverTheirPrefix) {
    const std::string package = R"(<?xml version="1.0"?>
<opf:package xmlns:opf="http://www.idpf.org/2007/opf" version="2.0">
  <opf:metadata xmlns:d="http://purl.org/dc/elements/1.1/">
    <d:title>Prefixed</d:title><d:creator>Someone</d:creator>
    <opf:meta name="cover" content="cover.jpg"/>
  </opf:metadata>
  <opf:manifest>
    <opf:item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>
    <opf:item id="b" href="b.xhtml" media-type="application/xhtml+xml"/>
    <other:item xmlns:other="urn:example" id="c" href="c.xhtml"/>
  </opf:manifest>
  <opf:spine><opf:itemref idref="a"/><opf:itemref idref="b"/></opf:spine>
</opf:package>)";
    Open(BookMembers(package));
    EXPECT_EQ(ReadingOrder(), (std::vector<Entry>{{"0", "a.xhtml"}, {"1", "b.xhtml"}}));
    EXPECT_EQ(book().manifestItemCount, 2);
    EXPECT_EQ(frontend_.metadata[MetadataField::Title], "Prefixed");
    EXPECT_EQ(frontend_.metadata[MetadataField::Creator], "Someone");
    EXPECT_EQ(book().coverPath, "cover.jpg");
    EXPECT_FLOAT_EQ(book().packageVersion, 2.0f);
}

TEST_F(PackageTest, UndeclaredDublinCorePrefixStillReadsAsWritten) {
    // No xmlns:dc anywhere: such a package is not namespace-well-formed, but it is plain XML.
    const std::string package = R"(<package version="2.0"><metadata><dc:title>Loose</dc:title>
</metadata><manifest><item id="a" href="a.xhtml"/></manifest><spine><itemref idref="a"/></spine>
</package>)";
    Open(BookMembers(package));
    EXPECT_EQ(frontend_.metadata[MetadataField::Title], "Loose");
    EXPECT_EQ(ReadingOrder(), (std::vector<Entry>{{"0", "a.xhtml"}}));
}

// A book that cannot be opened leaves the book on display whole: its rows, its hrefs, its
// metadata and the page it shows. Only a package that is read in part replaces it.
TEST_F(PackageTest, ABookThatCannotBeOpenedLeavesTheOpenBookWhole) {
    const std::string good = PackageDocument(kThreeChapters, kThreeItemrefs,
                                             "<dc:title>First book</dc:title>"
                                             R"(<meta name="cover" content="first.jpg"/>)");
    const std::string chapter = testing::XhtmlPage("<p>The first page</p>");
    struct Case {
        const char* what;
        std::vector<Member> members;
        int documents;  // after opening it; 3 is the first book, untouched
    };
    const Case cases[] = {
        {"no container", {{"mimetype", "application/epub+zip"}, {"OEBPS/content.opf", good}}, 3},
        {"container without rootfile",
         {{"META-INF/container.xml", "<container><rootfiles/></container>"},
          {"OEBPS/content.opf", good}},
         3},
        {"malformed container", {{"META-INF/container.xml", "<container><rootfile full"}}, 3},
        {"rootfile names no member",
         {{"META-INF/container.xml",
           R"(<container><rootfiles><rootfile full-path="gone.opf"/></rootfiles></container>)"}},
         3},
        {"no package at all", {{"mimetype", "application/epub+zip"}}, 3},
        {"protected", BookMembers(good, {{"META-INF/rights.xml", "<rights/>"}}), 3},
        {"package cut short after two itemrefs",
         BookMembers(good.substr(0, good.find("<itemref idref=\"c3\""))), 2},
        {"package cut short before its spine", BookMembers(good.substr(0, good.find("<spine"))), 3},
        {"package of garbage", BookMembers(std::string("<package\x01\xfe<<&;]]>\0\x80", 19)), 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HeadlessFrontend frontend;
        DocumentView view(frontend);
        const auto first = dir_ / "first.epub";
        testing::WriteArchive(first, BookMembers(good, {{"OEBPS/Text/one.xhtml", chapter}}));
        ASSERT_TRUE(view.OpenBook(first.string()));
        const auto second = dir_ / "second.epub";
        testing::WriteArchive(second, c.members);
        EXPECT_EQ(view.OpenBook(second.string()), c.documents != 3);

        const BookState& book = view.Data().book;
        EXPECT_EQ(book.documentCount, c.documents);
        EXPECT_EQ(frontend.pageListRows.size(), static_cast<std::size_t>(c.documents));
        if (c.documents == 3) {
            EXPECT_EQ(book.archivePath, first.string());
            EXPECT_EQ(book.documents[2].href, "Text/three.xhtml");
            EXPECT_EQ(frontend.metadata[MetadataField::Title], "First book");
            EXPECT_EQ(book.coverPath, "first.jpg");
            EXPECT_NE(view.Data().documentText.Text().find("The first page"), std::string::npos);
            EXPECT_EQ(view.Data().currentPage, 0);
        } else {
            EXPECT_EQ(book.archivePath, second.string());
        }
    }
}

// Without a book before it, a book that cannot be opened leaves the view empty, and says why.
TEST_F(PackageTest, ABookThatCannotBeOpenedLeavesAnEmptyViewEmpty) {
    Open({{"mimetype", "application/epub+zip"}});
    EXPECT_TRUE(book().archivePath.empty());
    EXPECT_EQ(book().documentCount, 0);
    EXPECT_TRUE(frontend_.pageListRows.empty());
    ASSERT_FALSE(frontend_.statusHistory.empty());
    EXPECT_NE(frontend_.statusHistory.back().find("book.epub: the book has no package document"),
              std::string::npos)
        << frontend_.statusHistory.back();
}

// No chapter is lost to a capacity: a book of thousands of documents is read whole, every one
// of them in the page list.
TEST_F(PackageTest, TablesGrowAsTheBookNeeds) {
    std::string manifest;
    std::string spine;
    for (int i = 0; i < 6000; ++i) {
        manifest += Item("i" + std::to_string(i), "p" + std::to_string(i) + ".xhtml");
    }
    for (int i = 0; i < 2014; ++i) {
        spine += Itemref("i" + std::to_string(i));
    }
    Open(BookMembers(PackageDocument(manifest + Item("nav", "nav.xhtml", "nav"), spine)));
    EXPECT_EQ(book().manifestItemCount, 6001);
    EXPECT_EQ(book().manifestItems[5999].id, "i5999");
    EXPECT_EQ(book().documentCount, 2015);
    EXPECT_EQ(book().documents[2013].href, "p2013.xhtml");
    EXPECT_EQ(book().documents[2014].label, "Content");
    EXPECT_EQ(frontend_.pageListRows.size(), 2015u);
    EXPECT_EQ(frontend_.pageSliderMaximum, 2014);
    EXPECT_EQ(frontend_.exportMaximum, 2014);
}

// The NCX path grows too: thousands of navigation points become the reading order.
TEST_F(PackageTest, ThousandsOfNavigationPointsAreRead) {
    frontend_.MutableSettings().ignoreToc = false;
    std::string points;
    for (int i = 0; i < 2500; ++i) {
        points += NavPoint("Part " + std::to_string(i), "Text/one.xhtml#p" + std::to_string(i));
    }
    Open(BookMembers(PackageDocument(kThreeChapters + Item("ncx", "toc.ncx"), kThreeItemrefs, "",
                                     R"( toc="ncx")"),
                     {{"OEBPS/toc.ncx", NcxDocument(points)}}));
    ASSERT_EQ(book().documentCount, 2500);
    EXPECT_EQ(book().documents[2499].label, "Part 2499");
    EXPECT_EQ(book().documents[2499].href, "Text/one.xhtml");
}

// "debug_contents.txt" as the package parse writes it, for a book opened with the switch on.
class ContentsDumpTest : public PackageTest {
  protected:
    ContentsDumpTest() { std::filesystem::create_directories(dir_ / "ram"); }

    std::string Dump() const { return testing::ReadFile(dir_ / "ram" / "debug_contents.txt"); }
    static std::string Rule(int hyphens) { return std::string(hyphens, '-') + "\n"; }

    testing::ScopedVariable ram_{"QUIRELLE_RAM_DIR", (dir_ / "ram").string()};
};

const std::string kEpub3Package = PackageDocument(
    Item("cover", "Images/cover.jpg", "cover-image") + Item("ncx", "toc.ncx") +
        Item("nav", "Text/nav.xhtml", "nav") + Item("c1", "Text/one.xhtml") +
        Item("c2", "Text/two.xhtml#start"),
    Itemref("c1") + Itemref("missing") + Itemref("c2"), "<dc:title>T</dc:title>", " toc=\"ncx\"");
const std::string kTwoPoints =
    NcxDocument(NavPoint("One", "Text/one.xhtml") + NavPoint("Two", "Text/two.xhtml"));

TEST_F(ContentsDumpTest, BlocksFollowThePackageInTheOrderItIsRead) {
    std::string epub2Package = PackageDocument(
        Item("a", "a.xhtml"), Itemref("a"),
        // A cover named by meta is taken, but only a cover item at the spine is dumped.
        R"(<dc:title>T</dc:title><meta name="cover" content="cover.jpg"/>)");
    epub2Package.replace(epub2Package.find("version=\"3.0\""), 13, "version=\"2.0\"");
    struct Case {
        const char* what;
        std::vector<Member> members;
        std::string expected;
    };
    const Case cases[] = {
        {"EPUB 3: cover, NCX, nav; an unmatched idref has no line",
         BookMembers(kEpub3Package, {{"OEBPS/toc.ncx", kTwoPoints}}),
         Rule(54) + "Version = 3\n" + Rule(46) +                        //
             Rule(56) + "Cover = Images/cover.jpg\n" + Rule(36) +       //
             Rule(48) + "TOC = toc.ncx\n" + Rule(40) + "Seiten\n" +     //
             "0 - Text/one.xhtml\n" + "2 - Text/two.xhtml\n" +          //
             Rule(56) + "NAV = Text/nav.xhtml\n" + Rule(36) +           //
             Rule(55) + "Referenzen\n" +                                //
             "cover - Images/cover.jpg - properties = cover-image\n" +  //
             "ncx - toc.ncx - properties = \n" +                        //
             "nav - Text/nav.xhtml - properties = nav\n" +              //
             "c1 - Text/one.xhtml - properties = \n" +                  //
             "c2 - Text/two.xhtml#start - properties = \n" + Rule(57)},
        {"EPUB 2 without cover item, NCX or nav", BookMembers(epub2Package),
         Rule(54) + "Version = 2\n" + Rule(46) + "0 - a.xhtml\n" + Rule(55) + "Referenzen\n" +
             "a - a.xhtml - properties = \n" + Rule(57)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(dir_ / "ram" / "debug_contents.txt");
        view_.Data().debug.debugContents = true;
        Open(c.members);
        EXPECT_EQ(Dump(), c.expected);
    }
}

TEST_F(ContentsDumpTest, OpeningTheSameBookTwiceLeavesTwoCompleteSets) {
    const auto members = BookMembers(kEpub3Package, {{"OEBPS/toc.ncx", kTwoPoints}});
    Open(members);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "ram" / "debug_contents.txt"))
        << "written with the switch off";

    view_.Data().debug.debugContents = true;
    Open(members);
    const std::string once = Dump();
    ASSERT_NE(once.find("Referenzen\n"), std::string::npos) << once;
    Open(members);
    EXPECT_EQ(Dump(), once + once);
}

TEST(FindItemTest, ReturnsCountMinusIndexAndLeavesHrefAloneWhenMissing) {
    BookState book;
    book.manifestItems.resize(2);
    book.manifestItems[0] = {"a", "a.xhtml", "nav", "application/xhtml+xml"};
    book.manifestItems[1] = {"b", "b.xhtml", "cover-image svg", "application/xhtml+xml"};
    book.manifestItemCount = 2;
    std::string href = "unchanged";
    EXPECT_EQ(FindItemById(book, "a", href), 2);
    EXPECT_EQ(href, "a.xhtml");
    EXPECT_EQ(FindItemById(book, "b", href), 1);
    EXPECT_EQ(FindItemByProperties(book, "nav", href), 2);
    href = "unchanged";
    EXPECT_EQ(FindItemByProperties(book, "cover-image", href), 0);
    EXPECT_EQ(FindItemById(book, "A", href), 0);
    EXPECT_EQ(href, "unchanged");
}

}  // namespace
}  // namespace quirelle

namespace quirelle {
namespace {

// The identifier a book's place is kept under: the one the package names, not the first.
TEST_F(PackageTest, TheUniqueIdentifierIsTheOneThePackageNames) {
    const struct {
        const char* packageAttributes;
        const char* identifiers;
        const char* expected;
    } cases[] = {
        {R"(unique-identifier="uid")",
         R"(<dc:identifier id="isbn">978-0</dc:identifier><dc:identifier id="uid">
              urn:uuid:77 </dc:identifier>)",
         "urn:uuid:77"},
        {R"(unique-identifier="none")", R"(<dc:identifier id="uid">urn:uuid:77</dc:identifier>)",
         ""},
        {"", R"(<dc:identifier id="uid">urn:uuid:77</dc:identifier>)", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.packageAttributes);
        const std::string package =
            std::string(R"(<?xml version="1.0"?><package xmlns="http://www.idpf.org/2007/opf" )") +
            c.packageAttributes +
            R"( version="3.0"><metadata xmlns:dc="http://purl.org/dc/elements/1.1/">)" +
            c.identifiers +
            R"(</metadata><manifest><item id="a" href="a.xhtml"
               media-type="application/xhtml+xml"/></manifest><spine><itemref idref="a"/>
               </spine></package>)";
        Open(BookMembers(package));
        EXPECT_EQ(book().uniqueIdentifier, c.expected);
    }
}

}  // namespace
}  // namespace quirelle
