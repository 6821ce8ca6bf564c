// The search bar of the window: typed as a user types (xdotool) with the pointer over the page,
// whose keys must not take the typing.
#include <gtkmm/native.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/search_bar.hpp"
#include "gui_fixture.hpp"
#include "layout/text_position.hpp"
#include "support/book_fixture.hpp"
#include "view/document_view.hpp"
#include "x11_windows.hpp"

namespace quirelle::testing {
namespace {

TEST(HitMarkupTest, MarksTheHitInBoldAndEscapesTheRest) {
    struct Case {
        const char* context;
        std::uint32_t start, length;
        const char* markup;
    };
    const Case cases[] = {
        {"a grey whale", 2, 4, "a <b>grey</b> whale"},
        // Markup characters of the book are text, not markup.
        {"<i>&amp; whale</i>", 9, 5, "&lt;i&gt;&amp;amp; <b>whale</b>&lt;/i&gt;"},
        // Places count code points, not bytes.
        {"Être où l’été", 5, 2, "Être <b>où</b> l’été"},
        // A hit placed beyond its context marks what there is.
        {"short", 3, 10, "sho<b>rt</b>"},
        {"short", 9, 1, "short<b></b>"},
        // Invalid UTF-8 is replaced, never handed to GTK.
        {"a\xff whale", 3, 5, "a\uFFFD <b>whale</b>"},
    };
    for (const Case& c : cases) {
        SearchHit hit;
        hit.context = c.context;
        hit.contextStart = c.start;
        hit.contextLength = c.length;
        EXPECT_EQ(HitMarkup(hit), c.markup) << c.context;
    }
}

class SearchBarTest : public GuiTest {
  protected:
    // Three chapters named in the contents: "grey whale" once early in the first, far down the
    // second, and split by markup in the third.
    Application& StartWithBook() {
        std::string first = "<p>A grey whale at the start.</p>";
        std::string second;
        for (int i = 0; i < 80; ++i) {
            first += "<p>Line " + std::to_string(i) + " of the first chapter.</p>";
            second += "<p>Line " + std::to_string(i) + " of the second chapter.</p>";
        }
        second += "<p>Here the grey whale dives.</p>";
        const std::string book = (dir_ / "whales.epub").string();
        WriteArchive(
            book,
            BookMembers(
                PackageDocument(
                    R"(<item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml"/>
                       <item id="c1" href="c1.xhtml" media-type="application/xhtml+xml"/>
                       <item id="c2" href="c2.xhtml" media-type="application/xhtml+xml"/>
                       <item id="c3" href="c3.xhtml" media-type="application/xhtml+xml"/>)",
                    R"(<itemref idref="c1"/><itemref idref="c2"/><itemref idref="c3"/>)",
                    "<dc:title>Fixture</dc:title>", R"( toc="ncx")"),
                {{"OEBPS/toc.ncx",
                  NcxDocument(NavPoint("Setting Out", "c1.xhtml") +
                              NavPoint("The Deep", "c2.xhtml") + NavPoint("Ashore", "c3.xhtml"))},
                 {"OEBPS/c1.xhtml", XhtmlPage(first)},
                 {"OEBPS/c2.xhtml", XhtmlPage(second)},
                 {"OEBPS/c3.xhtml", XhtmlPage("<p>A <i>gr</i>ey whale &lt;ashore&gt;.</p>")}}));
        Application& program = StartProgram(book);
        MainWindow& window = program.mainWindow();
        EXPECT_TRUE(ProcessUntil([&] {
            return window.get_mapped() && window.pageArea().canvas().get_height() > 100 &&
                   program.view().Data().shown != nullptr;
        }));
        return program;
    }

    static void Settle() {
        for (int i = 0; i < 20; ++i) {
            ProcessPending();
            g_usleep(10'000);
        }
    }

    void Xdotool(const std::string& arguments) {
        ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
        Settle();
    }

    // Puts the pointer over the middle of the page, where the page takes its keys.
    void PointAtPage(Application& program) {
        MainWindow& window = program.mainWindow();
        double left = 0, top = 0;
        window.get_surface_transform(left, top);
        double x = 0, y = 0;
        window.pageArea().canvas().translate_coordinates(window, 200, 300, x, y);
        const unsigned long xid = X11WindowOf(window.get_surface()->gobj());
        Xdotool("mousemove --sync --window " + std::to_string(xid) + " " +
                std::to_string(static_cast<int>(left + x)) + " " +
                std::to_string(static_cast<int>(top + y)));
    }

    static bool Finished(SearchBar& bar) {
        return ProcessUntil([&] { return !bar.Searching(); });
    }

    // Types `term` and searches it to the end, without the entry's pause after typing.
    static void SearchFor(SearchBar& bar, const char* term) {
        bar.entry().set_text(term);
        g_signal_emit_by_name(bar.entry().gobj(), "search-changed");
        ASSERT_TRUE(Finished(bar)) << term;
    }
};

// The hit `hit` is on display: its document shown, its line between the top and the bottom of
// the view, and a mark painted over it.
void ExpectInViewAndMarked(const DocumentViewData& data, const SearchHit& hit) {
    ASSERT_EQ(data.currentPage, hit.document);
    ASSERT_TRUE(data.shown);
    const PageLayout& page = data.shown->page;
    const std::optional<double> line = LineTopOfTextOffset(page, data.shown->tree, hit.offset);
    ASSERT_TRUE(line);
    EXPECT_GE(*line, data.scrollY);
    const ViewScale& scale = data.shownScale;
    EXPECT_LT(*line, data.scrollY + scale.layoutHeight);

    // The page is white; marked, the hit's words show yellow where their letters leave it. The
    // layout's units become the screen's pixels through the view's scale (zoom and column).
    const std::vector<WordRect> rects =
        WordRectsOf(page, data.shown->tree, hit.offset, hit.end - hit.offset);
    ASSERT_FALSE(rects.empty());
    cairo_surface_t* surface = data.pageSurface.get();
    ASSERT_NE(surface, nullptr);
    cairo_surface_flush(surface);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    int yellow = 0;
    for (const WordRect& rect : rects) {
        const double top = scale.ToDevice(rect.y - data.scrollY);
        const double left = scale.left + scale.ToDevice(rect.x);
        for (int y = static_cast<int>(top); y < top + scale.ToDevice(rect.height); ++y) {
            for (int x = static_cast<int>(left); x < left + scale.ToDevice(rect.width); ++x) {
                if (x < 0 || y < 0 || x >= width || y >= height) {
                    continue;
                }
                const unsigned char* pixel = pixels + y * stride + x * 4;  // B, G, R, A
                yellow += pixel[2] > 200 && pixel[1] > 180 && pixel[0] < 190;
            }
        }
    }
    EXPECT_GT(yellow, 0) << "no mark over the hit";
}

TEST_F(SearchBarTest, TypingFindsTheHitsAndEnterGoesFromOneToTheNext) {
    Application& program = StartWithBook();
    MainWindow& window = program.mainWindow();
    SearchBar& bar = window.searchBar();
    const DocumentViewData& data = program.view().Data();
    PointAtPage(program);
    const ReadingPlace start = program.view().CurrentPlace();

    Xdotool("key ctrl+f");
    ASSERT_TRUE(ProcessUntil([&] { return bar.get_search_mode(); }));
    // The space and the arrows are typing here, not moving through the page below the pointer.
    Xdotool("type --delay 20 'grey whalx'");
    Xdotool("key BackSpace Left Right");
    Xdotool("type e");
    EXPECT_EQ(bar.entry().get_text(), "grey whale");
    ASSERT_TRUE(Finished(bar));
    EXPECT_EQ(data.currentPage, 0);
    EXPECT_EQ(data.scrollY, 0);
    ASSERT_EQ(bar.Hits().size(), 3u);
    EXPECT_EQ(bar.count().get_text(), "3 hits");

    Xdotool("key Return");
    Xdotool("key Return");
    ASSERT_TRUE(ProcessUntil([&] { return bar.CurrentHit() == 1 && data.currentPage == 1; }));
    Settle();
    EXPECT_EQ(bar.count().get_text(), "2 of 3");
    ExpectInViewAndMarked(data, bar.Hits()[1]);
    EXPECT_GT(data.scrollY, 0);

    // On round the book, and back.
    Xdotool("key Return");
    EXPECT_TRUE(ProcessUntil([&] { return data.currentPage == 2; }));
    Xdotool("key Return");
    EXPECT_TRUE(ProcessUntil([&] { return data.currentPage == 0 && bar.CurrentHit() == 0; }));
    Xdotool("key shift+Return");
    EXPECT_TRUE(ProcessUntil([&] { return data.currentPage == 2 && bar.CurrentHit() == 2; }));
    Xdotool("key shift+F3");
    EXPECT_TRUE(ProcessUntil([&] { return data.currentPage == 1 && bar.CurrentHit() == 1; }));

    // Escape closes the bar; the hits stay marked, and F3 still steps through them.
    Xdotool("key Escape");
    EXPECT_TRUE(ProcessUntil([&] { return !bar.get_search_mode(); }));
    EXPECT_EQ(data.searchMarks.byDocument.size(), 3u);
    Xdotool("key F3");
    EXPECT_TRUE(ProcessUntil([&] { return data.currentPage == 2; }));
    Settle();
    ExpectInViewAndMarked(data, bar.Hits()[2]);

    // Back leaves the search for the place it started from, at once.
    Click(window.backButton());
    EXPECT_TRUE(ProcessUntil([&] { return program.view().CurrentPlace() == start; }))
        << "page " << data.currentPage << ", scrolled " << data.scrollY;
}

TEST_F(SearchBarTest, HitsAreListedByDocumentAndAClickGoesThere) {
    Application& program = StartWithBook();
    SearchBar& bar = program.mainWindow().searchBar();
    const DocumentViewData& data = program.view().Data();
    bar.Open();
    SearchFor(bar, "whale");
    ASSERT_EQ(bar.Hits().size(), 3u);
    Settle();  // the list folds out, and the page gives it room

    // A heading from the contents before each document's hits, the hit in bold in its words.
    std::vector<std::string> rows;
    for (int i = 0; Gtk::ListBoxRow* row = bar.results().get_row_at_index(i); ++i) {
        auto* label = dynamic_cast<Gtk::Label*>(row->get_child());
        ASSERT_NE(label, nullptr);
        rows.push_back(label->get_label());
    }
    const std::vector<std::string> expected = {
        "<b>Setting Out</b>", "A grey <b>whale</b> at the start.",
        "<b>The Deep</b>",    "Here the grey <b>whale</b> dives.",
        "<b>Ashore</b>",      "A grey <b>whale</b> &lt;ashore&gt;.",
    };
    EXPECT_EQ(rows, expected);

    bar.results().get_row_at_index(3)->activate();
    EXPECT_TRUE(ProcessUntil([&] { return data.currentPage == 1 && bar.CurrentHit() == 1; }));
    Settle();
    ExpectInViewAndMarked(data, bar.Hits()[1]);

    // A new term replaces the hits and their marks; the switches search again.
    SearchFor(bar, "Grey");
    EXPECT_EQ(bar.CurrentHit(), -1);
    EXPECT_EQ(bar.Hits().size(), 3u);
    bar.matchCase().set_active(true);
    ASSERT_TRUE(ProcessUntil([&] { return !bar.Searching(); }));
    EXPECT_TRUE(bar.Hits().empty());
    EXPECT_EQ(bar.count().get_text(), "No hits");
    EXPECT_TRUE(data.searchMarks.byDocument.empty());
    bar.matchCase().set_active(false);
    bar.wholeWords().set_active(true);
    SearchFor(bar, "gre");
    EXPECT_TRUE(bar.Hits().empty());
    SearchFor(bar, "grey");
    EXPECT_EQ(bar.Hits().size(), 3u);
    SearchFor(bar, "");
    EXPECT_EQ(bar.count().get_text(), "");
    EXPECT_EQ(bar.results().get_row_at_index(0), nullptr);
    EXPECT_TRUE(data.searchMarks.byDocument.empty());
}

}  // namespace
}  // namespace quirelle::testing
