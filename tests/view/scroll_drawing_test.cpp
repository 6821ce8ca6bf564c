// A draw of a long page paints its slice of the layout the page was given when it was loaded or
// last laid out. What it shows, and the link table it leaves, must be exactly what a fresh view
// laying the page out for that draw gives, at every offset, width and setting.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/cairo_handles.hpp"
#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "support/epub_fixture.hpp"
#include "support/layout_fixture.hpp"
#include "support/picture_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

constexpr int kHeight = 300;

// A long chapter of everything a page holds: headings in large type, paragraphs with inline
// styles and links that wrap, lists, rules, pictures with text beside them, Chinese and a
// right-to-left paragraph.
std::string LongChapter() {
    std::string body = "<h1>A long chapter</h1>";
    for (int i = 0; i < 400; ++i) {
        body += "<p>Paragraph " + std::to_string(i) + " with <i>some</i> <b>words</b> and " +
                "<a href=\"n" + std::to_string(i) +
                ".xhtml\">a link that wraps on a narrow page</a>, twice or more.</p>";
        switch (i % 40) {
            case 0:
                body +=
                    "<hr/><ol><li>one</li><li>two</li></ol><h2>Part " + std::to_string(i) + "</h2>";
                break;
            case 10:
                body +=
                    "<p><img src=\"p.png\" width=\"120\" height=\"260\"/>Text beside a "
                    "picture that runs on for a while, so that some lines stand to its right "
                    "and the next ones below it.</p>";
                break;
            case 20:
                body +=
                    "<p>\xE8\xAF\x9D\xE8\xAF\xB4\xE5\xA4\xA9\xE4\xB8\x8B\xE5\xA4\xA7\xE5\x8A"
                    "\xBF\xEF\xBC\x8C\xE5\x88\x86\xE4\xB9\x85\xE5\xBF\x85\xE5\x90\x88\xE3\x80"
                    "\x82</p><p dir=\"rtl\">\xD8\xB4\xD9\x83\xD8\xB1\xD8\xA7 WHO 2024 <a "
                    "href=\"a.xhtml\">\xD9\x86\xD8\xB9\xD9\x85</a></p>";
                break;
            case 30:
                body += "<div><font size=\"40\">Large type</font> then small.</div>";
                break;
            default:
                break;
        }
    }
    return testing::Page(body);
}

// A view of one text, drawn onto a window-sized surface.
class Reader {
  public:
    explicit Reader(const std::string& text) {
        DocumentViewData& data = view_.Data();
        data.book.archivePath = "(in memory)";
        std::memcpy(data.documentText.data.get(), text.c_str(), text.size() + 1);
        data.documentText.size = static_cast<std::uint32_t>(text.size());
    }
    HeadlessFrontend& frontend() { return frontend_; }
    DocumentViewData& data() { return view_.Data(); }

    // The pixels of a draw at the offset, and the links it leaves.
    std::vector<unsigned char> Draw(int width, double scrollY) {
        data().scrollY = scrollY;
        CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, kHeight));
        CairoContext cr(cairo_create(surface.get()));
        view_.Draw(cr.get(), width, kHeight);
        cairo_surface_flush(surface.get());
        const unsigned char* bytes = cairo_image_surface_get_data(surface.get());
        return {bytes, bytes + cairo_image_surface_get_stride(surface.get()) * kHeight};
    }
    std::vector<LinkRecord> Links() { return data().links; }

    DocumentView& view() { return view_; }

  private:
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

// The links down to the bottom of the view: below it, the table may go further in one pass
// than in another, as far as each knows the page needs.
std::vector<LinkRecord> InView(const std::vector<LinkRecord>& links) {
    std::vector<LinkRecord> seen;
    for (const LinkRecord& link : links) {
        if (link.y1 <= kHeight) {
            seen.push_back(link);
        }
    }
    return seen;
}

void ExpectSameLinks(const std::vector<LinkRecord>& drawnTable,
                     const std::vector<LinkRecord>& wholeTable) {
    const std::vector<LinkRecord> drawn = InView(drawnTable);
    const std::vector<LinkRecord> whole = InView(wholeTable);
    ASSERT_EQ(drawn.size(), whole.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(drawn[i].Hlink, whole[i].Hlink);
        EXPECT_NEAR(drawn[i].x1, whole[i].x1, 1e-6);
        EXPECT_NEAR(drawn[i].x2, whole[i].x2, 1e-6);
        EXPECT_NEAR(drawn[i].y1, whole[i].y1, 1e-6);
        EXPECT_NEAR(drawn[i].y2, whole[i].y2, 1e-6);
    }
}

// Whether a draw's pixels hold the opaque colour 0xRRGGBB.
bool Shows(const std::vector<unsigned char>& pixels, std::uint32_t rgb) {
    for (std::size_t i = 0; i + 4 <= pixels.size(); i += 4) {
        std::uint32_t word;
        std::memcpy(&word, &pixels[i], 4);
        if (word == (0xFF000000u | rgb)) {
            return true;
        }
    }
    return false;
}

TEST(ScrollDrawingTest, ADrawFromTheKeptLayoutShowsWhatAFreshLayoutShows) {
    const std::string text = LongChapter();
    Reader reader(text);
    struct Step {
        int width;
        double scrollY;
        int fontSize;  // the body text's size in the settings
    };
    // Small steps down, a jump to the end and back, steps up; then another width and another
    // font size, each of which must lay the page out again.
    std::vector<Step> steps;
    for (double y = 0; y < 600; y += 97.3) {
        steps.push_back({400, y, 15});
    }
    for (const double y : {30000.0, 30040.0, 30080.5, 12000.0, 11960.0, 5000.25, 29990.0}) {
        steps.push_back({400, y, 15});
    }
    for (const double y : {15000.0, 15040.0, 4000.0}) {
        steps.push_back({560, y, 15});
    }
    for (const double y : {15000.0, 15040.0, 2000.0}) {
        steps.push_back({560, y, 19});
    }
    int reused = 0;
    const DocumentLayout* last = nullptr;
    for (const Step& step : steps) {
        SCOPED_TRACE("width " + std::to_string(step.width) + ", offset " +
                     std::to_string(step.scrollY) + ", size " + std::to_string(step.fontSize));
        reader.frontend().MutableSettings().standart.size = std::to_string(step.fontSize);
        const std::vector<unsigned char> drawn = reader.Draw(step.width, step.scrollY);
        reused += reader.view().Data().shown.get() == last ? 1 : 0;
        last = reader.view().Data().shown.get();

        // A draw that lays the page out again keeps the first word in view, and so may scroll.
        Reader fresh(text);
        fresh.frontend().MutableSettings().standart.size = std::to_string(step.fontSize);
        const std::vector<unsigned char> whole =
            fresh.Draw(step.width, reader.view().Data().scrollY);
        EXPECT_TRUE(drawn == whole);
        ExpectSameLinks(reader.Links(), fresh.Links());
    }
    // All but the first draw at each width and size paint from the layout already made.
    EXPECT_EQ(reused, static_cast<int>(steps.size()) - 3);
}

// A book's page with a background colour and a picture taller than the view: a draw from the
// kept layout paints the background, and the picture wherever it reaches.
TEST(ScrollDrawingTest, ABackgroundAndATallPictureAreDrawnWhereverThePageIsScrolled) {
    testing::TempDir dir;
    const auto book = dir / "tall.epub";
    std::string body;
    for (int i = 0; i < 40; ++i) {
        body += "<p>Paragraph " + std::to_string(i) + " before the picture.</p>";
    }
    body +=
        "<p><img src=\"tall.png\" width=\"200\" height=\"2400\"/><i>beside</i> it, "
        "<b>and</b> <i>more</i>.</p>";
    for (int i = 0; i < 200; ++i) {
        body += "<p>Paragraph " + std::to_string(i) + " <i>after</i> the picture.</p>";
    }
    testing::WriteArchive(
        book, testing::BookMembers(
                  testing::PackageDocument(
                      R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)",
                      R"(<itemref idref="c"/>)"),
                  {{"OEBPS/c.xhtml",
                    testing::Page(body, "<style>body { background-color: #ffeecc }</style>")},
                   {"OEBPS/tall.png", testing::PngOfColor(20, 240, {200, 30, 30, 255})}}));
    auto open = [&](Reader& reader) {
        reader.data().areaWidth = 400;
        reader.data().areaHeight = kHeight;
        ASSERT_TRUE(reader.view().OpenBook(book.string()));
    };
    Reader reader("");
    open(reader);
    Reader fresh("");
    open(fresh);
    for (const double y : {0.0, 3200.0, 1800.0, 1900.0, 2600.0, 2700.0, 1400.0}) {
        SCOPED_TRACE(y);
        const std::vector<unsigned char> drawn = reader.Draw(400, y);
        // Laid out afresh for this draw.
        fresh.view().Data().shown.reset();
        EXPECT_TRUE(drawn == fresh.Draw(400, y));
        EXPECT_TRUE(Shows(drawn, 0xffeecc)) << "the background is missing";
    }
    // In the middle of the picture, the view shows it, beside the background.
    EXPECT_TRUE(Shows(reader.Draw(400, 1800.0), 0xc81e1e)) << "the picture is missing";
}

}  // namespace
}  // namespace quirelle
