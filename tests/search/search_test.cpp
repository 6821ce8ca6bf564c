// Whole-book search: what matches, where a hit is, and how results come back from the workers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "document/document_tree.hpp"
#include "search/book_search.hpp"
#include "search/document_search.hpp"
#include "search/hidden_elements.hpp"
#include "style/style_resolver.hpp"
#include "support/book_fixture.hpp"

namespace quirelle {
namespace {

std::vector<SearchHit> Find(const std::string& xhtml, const std::string& term,
                            SearchOptions options = {}) {
    const DocumentTree tree = DocumentTree::Parse(xhtml);
    HiddenElements hidden;
    hidden.Prepare(DocumentSheets(tree, "OEBPS/page.xhtml", {}), tree);
    DocumentSearcher searcher(term, options);
    return searcher.Search(tree, hidden);
}

// The document's character data as the offsets count it: every text node, in order.
std::u32string CharacterData(const std::string& xhtml) {
    const DocumentTree tree = DocumentTree::Parse(xhtml);
    std::string text;
    for (NodeIndex node = 0; node < tree.size(); ++node) {
        if (!tree.IsElement(node)) {
            text += tree.TextOf(node);
        }
    }
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k) {
            c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        out += c;
        i += length;
    }
    return out;
}

std::string Utf8(std::u32string_view text) {
    std::string out;
    for (const char32_t c : text) {
        AppendCodePoint(out, c);
    }
    return out;
}

// What each hit's offsets cover in the document's character data.
std::vector<std::string> Covered(const std::string& xhtml, const std::vector<SearchHit>& hits) {
    const std::u32string data = CharacterData(xhtml);
    std::vector<std::string> covered;
    for (const SearchHit& hit : hits) {
        covered.push_back(Utf8(std::u32string_view(data).substr(hit.offset, hit.end - hit.offset)));
    }
    return covered;
}

TEST(DocumentSearchTest, MatchesAsAReaderExpects) {
    struct Case {
        const char* name;
        std::string body;
        std::string term;
        SearchOptions options;
        std::vector<std::string> covered;
        std::string head = "";
    };
    const SearchOptions matchCase{.matchCase = true};
    const SearchOptions words{.wholeWords = true};
    const Case cases[] = {
        {"any case",
         "<p>The WHALE, the Whale and the whale</p>",
         "whale",
         {},
         {"WHALE", "Whale", "whale"}},
        {"matching case",
         "<p>The WHALE, the Whale and the whale</p>",
         "Whale",
         matchCase,
         {"Whale"}},
        {"accents ignored", "<p>Être ou ne pas être, voilà</p>", "etre", {}, {"Être", "être"}},
        {"accents ignored with case matched",
         "<p>Être ou ne pas être</p>",
         "Etre",
         matchCase,
         {"Être"}},
        {"a decomposed accent", "<p>E\xCC\x82tre</p>", "\xC3\xAAtre", {}, {"E\xCC\x82tre"}},
        {"sharp s folds to ss",
         "<p>Die Straße, die STRASSE</p>",
         "strasse",
         {},
         {"Straße", "STRASSE"}},
        {"ss finds sharp s typed", "<p>die Strasse</p>", "straße", {}, {"Strasse"}},
        {"Arabic without its vowel marks",
         "<p>\u0643\u064E\u062A\u064E\u0628\u064E</p>",
         "\u0643\u062A\u0628",
         {},
         {"\u0643\u064E\u062A\u064E\u0628\u064E"}},
        {"Arabic typed with its vowel marks",
         "<p>\u0643\u062A\u0628</p>",
         "\u0643\u064E\u062A\u064E\u0628\u064E",
         {},
         {"\u0643\u062A\u0628"}},
        {"Chinese inside a run without spaces", "<p>我们在北京大学学习</p>", "北京", {}, {"北京"}},
        {"Japanese as a whole word inside a run",
         "<p>東京都に住んでいます</p>",
         "住ん",
         words,
         {"住ん"}},
        {"across an element boundary", "<p>The <i>wh</i>ale</p>", "whale", {}, {"whale"}},
        {"not across paragraphs", "<p>the wh</p><p>ale</p>", "whale", {}, {}},
        {"not across a line break", "<p>the wh<br/>ale</p>", "whale", {}, {}},
        {"white space collapsed",
         "<p>the sea\n     whale</p>",
         "sea  whale",
         {},
         {"sea\n     whale"}},
        {"soft hyphen ignored", "<p>wha\u00ADle</p>", "whale", {}, {"wha\u00ADle"}},
        {"ligature folds", "<p>\uFB01sh</p>", "fish", {}, {"\uFB01sh"}},
        {"entities resolved", "<p>fish &amp; chips</p>", "fish & chips", {}, {"fish & chips"}},
        {"whole words",
         "<p>whales, a whale; whalebone and whale</p>",
         "whale",
         words,
         {"whale", "whale"}},
        {"parts of words",
         "<p>whales, a whale; whalebone</p>",
         "whale",
         {},
         {"whale", "whale", "whale"}},
        {"hidden by the book's sheet, counted in the offset",
         "<p class=\"gone\">Whale hidden</p><p>whale shown</p>",
         "whale",
         {},
         {"whale"},
         "<style>.gone { color: red; display: none }</style>"},
        {"a later display wins in its rule",
         "<p class=\"back\">Whale</p>",
         "whale",
         {},
         {"Whale"},
         "<style>.back { display: none; display: block }</style>"},
        {"hidden by a style attribute, the hidden attribute, script",
         "<p style=\"display:none\">Whale</p><p hidden=\"\">Whale</p>"
         "<script>var Whale;</script><p>whale</p>",
         "whale",
         {},
         {"whale"}},
        {"the head is not searched", "<p>Pages</p>", "page", {}, {"Page"}},
        {"a term of blanks finds nothing", "<p>a b</p>", "  ", {}, {}},
    };
    for (const Case& c : cases) {
        const std::string page = testing::XhtmlPage(c.body, c.head);
        EXPECT_EQ(Covered(page, Find(page, c.term, c.options)), c.covered) << c.name;
    }
}

TEST(DocumentSearchTest, OffsetsCountEveryTextNodeHiddenOnesIncluded) {
    const std::string page =
        "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>T\u00E9</title></head>\n"
        "<body><p>ab &lt;\u4E2D whale</p></body></html>";
    const std::vector<SearchHit> hits = Find(page, "whale");
    ASSERT_EQ(hits.size(), 1u);
    // "Té" (2), the line end (1), then "ab <中 " (6).
    EXPECT_EQ(hits[0].offset, 9u);
    EXPECT_EQ(hits[0].end, 14u);
}

TEST(DocumentSearchTest, ContextHoldsAFewWordsAroundTheHit) {
    const std::string page = testing::XhtmlPage(
        "<p>one two three four five six seven eight <b>Whale</b> nine ten eleven twelve "
        "thirteen fourteen fifteen</p>");
    const std::vector<SearchHit> hits = Find(page, "whale");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].context, "four five six seven eight Whale nine ten eleven twelve thirteen");
    EXPECT_EQ(hits[0].contextStart, 26u);
    EXPECT_EQ(hits[0].contextLength, 5u);

    // In a run without blanks the reach alone bounds it, counted in code points.
    std::string run;
    for (int i = 0; i < 100; ++i) {
        run += "\u4E2D";
    }
    const std::vector<SearchHit> chinese =
        Find(testing::XhtmlPage("<p>" + run + "\u9CB8" + run + "</p>"), "\u9CB8");
    ASSERT_EQ(chinese.size(), 1u);
    EXPECT_EQ(chinese[0].contextStart, 60u);
    EXPECT_EQ(chinese[0].context.size(), (60 + 1 + 60) * 3u);
}

TEST(DocumentSearchTest, ABlockOfMegabytesIsMatchedAsItGoesWithoutLosingAHit) {
    // Far longer than the search holds of a block at once, with a two-byte letter in every
    // word so that the pieces it is read in are cut between the bytes of letters too.
    std::string paragraph;
    for (int i = 0; i < 70'000; ++i) {
        paragraph += i % 2 ? "\u00E9t\u00E9 whale " : "\u00E9t\u00E9 wh<i>al</i>e ";
    }
    const std::string page = testing::XhtmlPage("<p>" + paragraph + "</p>");
    const std::vector<SearchHit> hits = Find(page, "WHALE", {.wholeWords = true});
    ASSERT_EQ(hits.size(), 70'000u);
    const std::vector<std::string> covered = Covered(page, hits);
    EXPECT_EQ(std::count(covered.begin(), covered.end(), "whale"), 70'000);
    // Five words before the last hit, which ends the block.
    EXPECT_EQ(hits.back().context, "\u00E9t\u00E9 whale \u00E9t\u00E9 whale \u00E9t\u00E9 whale");
}

// A book of `count` chapters, each naming its index; chapter 2 links a sheet that hides its
// note, and a picture sits in the reading order after chapter 1.
std::vector<DocumentEntry> WriteBook(const testing::TempDir& dir, int count) {
    std::vector<testing::Member> members = {
        {"OEBPS/Styles/book.css", ".note { display: none }"},
        {"OEBPS/Images/p.png", "not really a picture"},
    };
    std::vector<DocumentEntry> documents;
    for (int i = 0; i < count; ++i) {
        const std::string href = "OEBPS/Text/c" + std::to_string(i) + ".xhtml";
        const std::string head = i == 2 ? testing::SheetLink("../Styles/book.css") : "";
        members.push_back({href, testing::XhtmlPage("<p>whale " + std::to_string(i) +
                                                        "</p><p class=\"note\">whale note</p>",
                                                    head)});
        documents.push_back({std::to_string(i), href, "application/xhtml+xml"});
        if (i == 1) {
            documents.push_back({"p", "OEBPS/Images/p.png", "image/png"});
        }
    }
    testing::WriteArchive(dir / "book.epub", testing::BookMembers("<package/>", members));
    return documents;
}

TEST(BookSearchTest, ResultsComeInReadingOrderWithTheBookSheetsApplied) {
    testing::TempDir dir;
    std::vector<DocumentEntry> documents = WriteBook(dir, 12);
    documents.push_back({"gone", "OEBPS/Text/missing.xhtml", "application/xhtml+xml"});
    std::vector<DocumentHits> found;
    bool done = false;
    {
        BookSearch search((dir / "book.epub").string(), documents, "WHALE", {},
                          [&](DocumentHits&& result) { found.push_back(std::move(result)); },
                          [&] { done = true; }, 3);
        search.Wait();
    }
    EXPECT_TRUE(done);
    ASSERT_EQ(found.size(), documents.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        const DocumentHits& result = found[i];
        EXPECT_EQ(result.document, static_cast<int>(i));
        const bool picture = i == 2;
        const bool missing = i + 1 == found.size();
        EXPECT_EQ(result.read, !missing) << i;
        // Every chapter has two hits but the one whose sheet hides its note.
        const std::size_t expected = picture || missing ? 0 : i == 3 ? 1 : 2;
        ASSERT_EQ(result.hits.size(), expected) << i;
        for (const SearchHit& hit : result.hits) {
            EXPECT_EQ(hit.document, static_cast<int>(i));
            EXPECT_EQ(hit.href, documents[i].href);
        }
    }
    // Without the book's sheets the note is shown, and found.
    const std::vector<DocumentHits> unstyled =
        SearchBook((dir / "book.epub").string(), documents, "whale", {.bookSheets = false});
    ASSERT_EQ(unstyled.size(), documents.size());
    EXPECT_EQ(unstyled[3].hits.size(), 2u);
}

TEST(BookSearchTest, CancelStopsDeliveryAtOnce) {
    testing::TempDir dir;
    const std::vector<DocumentEntry> documents = WriteBook(dir, 200);
    std::vector<int> delivered;
    std::atomic<bool> done = false;
    std::atomic<BookSearch*> running = nullptr;
    BookSearch search((dir / "book.epub").string(), documents, "whale", {},
                      [&](DocumentHits&& result) {
                          delivered.push_back(result.document);
                          // As a new keystroke does: the run is cancelled from where results
                          // arrive.
                          if (result.document == 4) {
                              while (running == nullptr) {
                                  std::this_thread::yield();
                              }
                              running.load()->Cancel();
                          }
                      },
                      [&] { done = true; }, 2);
    running = &search;
    search.Wait();
    EXPECT_EQ(delivered, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_FALSE(done);

    // A run dropped while its workers are busy (the sanitizer build watches for a worker that
    // outlives it).
    for (int i = 0; i < 5; ++i) {
        BookSearch dropped((dir / "book.epub").string(), documents, "whale", {},
                           [&](DocumentHits&&) {});
    }
}

}  // namespace
}  // namespace quirelle
