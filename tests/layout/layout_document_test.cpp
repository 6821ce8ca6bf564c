#include "layout/layout_document.hpp"

#include <cairo-pdf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "layout/cairo_style.hpp"
#include "layout/text_flow.hpp"
#include "package/book.hpp"
#include "support/book_fixture.hpp"
#include "support/layout_fixture.hpp"
#include "support/scoped_environment.hpp"

namespace quirelle {
namespace {

using testing::LayoutFixture;
using testing::Page;

class LayoutDocumentTest : public LayoutFixture {
  protected:
    // The glyph drawn for the first occurrence of `text` in the drawn text.
    const LayoutTrace::Glyph& GlyphAt(const std::string& text) {
        std::size_t offset = 0;
        const std::size_t wanted = DrawnText().find(text);
        for (const auto& glyph : trace_.glyphs) {
            if (offset == wanted) {
                return glyph;
            }
            offset += glyph.text.size();
        }
        ADD_FAILURE() << text << " was not drawn";
        return trace_.glyphs.front();
    }
    // Render at 300 x 200, with the font metrics hinted or not.
    void RenderWith(const std::string& page, bool hintMetrics) {
        data().book.archivePath = "(in memory)";
        context().areaWidth = 300;
        context().areaHeight = 200;
        surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 300, 200));
        cr_.reset(cairo_create(surface_.get()));
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_metrics(
            options, hintMetrics ? CAIRO_HINT_METRICS_ON : CAIRO_HINT_METRICS_OFF);
        cairo_set_font_options(cr_.get(), options);
        cairo_font_options_destroy(options);
        // As the view draws: no trace, onto a fresh white page.
        context().state.trace = nullptr;
        cairo_set_source_rgb(cr_.get(), 1, 1, 1);
        cairo_paint(cr_.get());
        context().state.ShowRows(0, 200);
        context().state.blankWhitePage = true;
        view_.RenderPage(cr_.get(), page);
        context().state.blankWhitePage = false;
        context().state.trace = &trace_;
    }
    double BodyFontHeight() {
        StartFlow();
        return CurrentFontHeight(context());
    }
};

TEST_F(LayoutDocumentTest, NoGatheredTextIsLost) {
    struct Case {
        const char* body;
        const char* drawn;
    };
    const Case cases[] = {
        {"<p>ab<i>cd</i>ef</p>", "abcdef"},
        {"<p>Read <a href=\"b.xhtml\">this</a> now.</p>", "Read this now."},
        {"loose<p>x</p>", "loosex"},
        {"<section>in a section</section>", "in a section"},
        {"<blockquote>quoted</blockquote><p>after</p>", "quotedafter"},
        {"<h1><span>A</span>B</h1>", "AB"},
        {"<ul><li><span>s</span>after</li></ul>", "\xE2\x97\x8F safter"},
        {"<p>x</p>tail", "xtail"},
        {"<p>a<script>var shown = false;</script>b</p>", "ab"},
        {"<div>in div<p>p</p></div>", "in divp"},
        {"<p>a<em>b</em><strong>c</strong><code>d</code><span>e</span>f</p>", "abcdef"},
        {"<table><tr><td>1</td><td>2</td></tr></table>", "1   2   "},
        {"<dl><dt>term</dt><dd>meaning</dd></dl>", "term  -  meaning"},
        // White space alone is still let go where it always was.
        {"<p>x</p>\n   \n<p>y</p>", "xy"},
        {"<p>one<br/>two</p>", "onetwo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        Render(Page(c.body));
        EXPECT_EQ(DrawnText(), c.drawn);
    }
}

TEST_F(LayoutDocumentTest, TextBeforeAStyleChangeKeepsTheStyleItWasWrittenIn) {
    Render(Page("<p>ab<i>cd</i>ef<b>gh</b><u>ij</u></p>"));
    EXPECT_EQ(GlyphAt("a").slant, 0);
    EXPECT_EQ(GlyphAt("c").slant, 1);
    EXPECT_EQ(GlyphAt("e").slant, 0);
    EXPECT_EQ(GlyphAt("e").weight, 0);
    EXPECT_EQ(GlyphAt("g").weight, 1);
    EXPECT_EQ(GlyphAt("i").decoration, 1);
    EXPECT_EQ(GlyphAt("h").decoration, 0);
    // The italic run continues the line of the upright one.
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_GT(GlyphAt("c").x, GlyphAt("b").x);
}

TEST_F(LayoutDocumentTest, AParagraphBeyondTheGatheringCapacityIsDrawnInFull) {
    std::string words;
    while (words.size() < 1'100'000) {
        words += "lighthouse keeper ";
    }
    Render(Page("<p>" + words + "</p>"), 800, 100);
    auto withoutBlanks = [](std::string text) {
        text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
        return text;
    };
    EXPECT_TRUE(withoutBlanks(DrawnText()) == withoutBlanks(words));
}

TEST_F(LayoutDocumentTest, APreformattedBlockEndsItsLine) {
    Render(Page("<pre>log line</pre><p>After the log.</p>"));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "log line");
    EXPECT_EQ(lines[1].text, "After the log.");
    EXPECT_EQ(lines[1].x, 20.0);
}

TEST_F(LayoutDocumentTest, TitleStyleAndScriptTextIsNeverDrawn) {
    const std::string page = Page("<p>x</p><p>y</p>",
                                  "<title>Title</title><style>p { color: red }</style>"
                                  "<script>let a = 1;</script>");
    for (bool measurePass : {true, false}) {
        SCOPED_TRACE(measurePass);
        context().state.measurePass = measurePass;
        Render(page);
        EXPECT_EQ(DrawnText(), "xy");
    }
}

TEST_F(LayoutDocumentTest, ListMarkersNumberOnThroughTheDocument) {
    Render(
        Page("<li>loose</li><ol><li>a</li><li>b</li></ol><p>mid</p>"
             "<ol><li>c</li></ol><ul><li>u</li></ul>"));
    std::vector<std::string> lines;
    for (const auto& line : Lines()) {
        lines.push_back(line.text);
    }
    // Every item counts, even one outside a list (its marker is empty).
    EXPECT_EQ(lines,
              (std::vector<std::string>{"loose", "2. a", "3. b", "mid", "4. c", "\xE2\x97\x8F u"}));
}

TEST_F(LayoutDocumentTest, RuleAndPictureSetTheLineHeight) {
    const double h = BodyFontHeight();
    Render(Page("<p>x</p><hr/><p>y</p>"), 400);
    ASSERT_EQ(trace_.lines.size(), 1u);
    const LayoutTrace::Line& rule = trace_.lines[0];
    // The line of x ends 30 + h down; the rule hangs 10 below it, from 50 to width - 50.
    EXPECT_DOUBLE_EQ(rule.y1, 30.0 + h + 10.0);
    EXPECT_EQ(rule.x1, 50.0);
    EXPECT_EQ(rule.x2, 350.0);
    EXPECT_EQ(rule.width, 2.0);
    EXPECT_NEAR(GlyphAt("y").baseline, 30.0 + h + 20.0 + h, 1.0 / 128);

    Render(Page("<p>x</p><img src=\"pic.png\" width=\"40\" height=\"50\"/>"), 400);
    EXPECT_EQ(context().state.lineHeight, 60.0);
}

TEST_F(LayoutDocumentTest, ContentHeightIsThePenAfterThePassPlusOneLine) {
    const double h = BodyFontHeight();
    Render(Page("<p>one</p><p>two</p>"));
    EXPECT_NEAR(context().state.contentHeight, 30.0 + 2 * h + h, 1.0 / 64);
}

// A link's rectangle runs from its first glyph to the pen after its last, also when i, b or u
// inside it draw its text in pieces.
TEST_F(LayoutDocumentTest, LinksRecordTheRectangleOfAllTheirText) {
    struct Case {
        const char* body;
        const char* first;  // the link's first text
        const char* after;  // the text drawn right after it
    };
    const Case cases[] = {
        {"See <a href=\"chapter2.xhtml#sec\">the chart</a>.", "the", "."},
        {"See <a href=\"chapter2.xhtml#sec\">the <b>bold</b> chart</a>.", "the", "."},
        {"See <a href=\"chapter2.xhtml#sec\"><i>all</i> slanted</a>.", "all", "."},
        {"See <a href=\"chapter2.xhtml#sec\">ends <u>under</u></a>.", "ends", "."},
        {"See <a href=\"chapter2.xhtml#sec\">one <b>two</b> <i>three</i> four</a>.", "one", "."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        Render(Page(std::string("<p>") + c.body + "</p>"));
        ASSERT_EQ(context().state.linkCount, 1);
        const LinkRecord& link = context().state.links[0];
        EXPECT_EQ(link.Hlink, "chapter2.xhtml#sec");
        EXPECT_EQ(link.Audio, 0);
        EXPECT_NEAR(link.x1, GlyphAt(c.first).x, 1.0 / 64);
        EXPECT_NEAR(link.x2, GlyphAt(c.after).x, 1.0 / 64);
    }
}

// A link that wraps is clickable on every line it reaches, and only over its own text there.
TEST_F(LayoutDocumentTest, ALinkThatWrapsHasARectangleOnEachLine) {
    Render(Page("<p>aaaa <a href=\"a.xhtml\">bbbb cccc</a> dd</p>"), 110);
    const LayoutTrace::Glyph first = GlyphAt("bbbb");
    const LayoutTrace::Glyph second = GlyphAt("cccc");
    ASSERT_GT(second.baseline, first.baseline) << "the link must wrap for this test";
    ASSERT_EQ(context().state.linkCount, 2);
    const double h = context().state.lineHeight;
    const struct {
        const LayoutTrace::Glyph& start;
        const char* after;
    } lines[] = {{first, nullptr}, {second, " dd"}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const LinkRecord& link = context().state.links[static_cast<std::size_t>(i)];
        EXPECT_EQ(link.Hlink, "a.xhtml");
        EXPECT_NEAR(link.x1, lines[i].start.x, 1.0 / 64);
        EXPECT_NEAR(link.y1, lines[i].start.baseline - h, 1.0 / 64);
        EXPECT_NEAR(link.y2, lines[i].start.baseline, 1.0 / 64);
        if (lines[i].after != nullptr) {
            EXPECT_NEAR(link.x2, GlyphAt(lines[i].after).x, 1.0 / 64);
        }
    }
}

// A larger font started inside a line sits below the line's top, and the next line starts below
// it.
TEST_F(LayoutDocumentTest, TheLineAdvanceCoversTheTallestFontOnTheLine) {
    StartFlow();
    const double small = CurrentFontHeight(context());
    context().style.fontSize = 40;
    ApplyFont(context());
    const double big = CurrentFontHeight(context());
    ASSERT_GT(big, 2 * small);
    const char* bodies[] = {
        "<p>small <font size=\"40\">Big <b>bold</b></font></p><p>next</p>",
        "<p>small <font size=\"40\">Big <i>slant</i> <u>under</u></font></p><p>next</p>",
        "<p><font size=\"40\">Big</font> <a href=\"x.xhtml\">link</a></p><p>next</p>",
    };
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        Render(Page(body));
        const double bigBaseline = GlyphAt("Big").baseline;
        EXPECT_GE(bigBaseline - big, 30.0 - 1.0 / 64) << "the big text reaches above its line";
        EXPECT_GE(GlyphAt("next").baseline - small, 30.0 + big - 1.0 / 64)
            << "the next line starts inside the big text";
    }
    EXPECT_EQ(GlyphAt("link").baseline, GlyphAt("Big").baseline);
}

// A word of tens of thousands of glyphs runs past the 8.4 million pixels a 32-bit fixed-point pen
// holds; it must still wrap line after line, exactly as the plain drawing wraps it. (At 201 pixels
// the advance of "m" is no whole step of the grid, so every step is rounded.)
TEST_F(LayoutDocumentTest, AWordLongerThanMillionsOfPixelsWrapsAsThePlainDrawingDoes) {
    const std::string page =
        Page("<p><font size=\"201\">" + std::string(60000, 'm') + "</font></p><p>end</p>");
    auto measuredHeight = [&](bool reference) {
        data().book.archivePath = "(in memory)";
        context().referenceRendering = reference;
        context().areaWidth = 1000;
        context().areaHeight = 500;
        context().state.trace = nullptr;
        // As the export measures: on a PDF surface, whose unhinted advances are not whole
        // steps of the fixed-point grid, so the pen is rounded after every glyph.
        CairoSurface scratch(cairo_pdf_surface_create_for_stream(nullptr, nullptr, 1000, 500));
        CairoContext cr(cairo_create(scratch.get()));
        context().state.ShowNothing();
        view_.RenderPage(cr.get(), page);
        context().state.trace = &trace_;
        return context().state.contentHeight;
    };
    const double reference = measuredHeight(true);
    EXPECT_GT(reference, 1'000'000.0);
    EXPECT_EQ(measuredHeight(false), reference);
}

// The line width an underline leaves on the context is the width a later rule is stroked with,
// whether or not the underlined link is in view.
TEST_F(LayoutDocumentTest, ARuleKeepsItsWidthWhereverThePageIsScrolled) {
    std::string body = "<p><a href=\"x.xhtml\">a link</a></p>";
    for (int i = 0; i < 12; ++i) {
        body += "<p>filler</p>";
    }
    body += "<hr/><p>after</p>";
    for (const double scrollY : {0.0, 150.0}) {
        SCOPED_TRACE(scrollY);
        context().scrollY = scrollY;
        Render(Page(body), 400, 200);
        const auto rule = std::find_if(trace_.lines.begin(), trace_.lines.end(),
                                       [](const LayoutTrace::Line& line) { return line.x1 == 50; });
        ASSERT_NE(rule, trace_.lines.end());
        EXPECT_EQ(rule->width, 0.5);
    }
}

TEST_F(LayoutDocumentTest, MalformedDocumentsShowWhatCameBeforeTheFault) {
    Render(Page("<p>kept</p><p>shown & never</p>"));
    EXPECT_EQ(DrawnText(), "keptshown ");
    Render("");
    EXPECT_EQ(DrawnText(), "");
}

// The cached, culled drawing must give exactly the pixels of the plain per-glyph drawing.
TEST_F(LayoutDocumentTest, FastDrawingMatchesThePlainAlgorithmPixelForPixel) {
    const std::string text = Page(
        "<h1>A title that is long enough to wrap on a narrow page</h1>"
        "<p>Plain text, <i>italic</i>, <b>bold</b>, <u>underlined</u>, and "
        "<a href=\"x.xhtml\">a link</a>; caf\xC3\xA9, \xE2\x80\x9Cquotes\xE2\x80\x9D, "
        "\xF0\x9F\x98\x80 and a veryveryveryveryveryveryveryveryverylongword.</p>"
        "<ol><li>one</li><li>two</li></ol><ul><li>dot</li></ul><hr/>"
        "<pre>pre  formatted\ttext</pre><h2>Second</h2><p>More text.</p>"
        "<p><i>ffi fl WAVE Tr rn ll</i> <b>AVAVA ffff</b> <i><b>jjj yyy fff</b></i></p>"
        "<p>\xC3\x85ngstr\xC3\xB6m \xC3\x91"
        "and\xC3\xBA \xE2\x80\x94 \xE2\x80\xA6</p>");
    // A link scrolled out of view above a rule in view.
    std::string ruled = "<p><a href=\"x.xhtml\">a link</a></p>";
    for (int i = 0; i < 12; ++i) {
        ruled += "<p>filler</p>";
    }
    ruled += "<hr/><p>after</p>";
    std::string page;
    auto pixels = [&](bool reference, double scrollY, bool hintMetrics) {
        context().referenceRendering = reference;
        context().scrollY = scrollY;
        RenderWith(page, hintMetrics);
        const unsigned char* bytes = cairo_image_surface_get_data(surface_.get());
        return std::vector<unsigned char>(
            bytes, bytes + cairo_image_surface_get_stride(surface_.get()) * 200);
    };
    // Unhinted metrics (as in PDF) give fractional advances, which cairo rounds as it moves.
    for (const std::string& shown : {text, Page(ruled)}) {
        page = shown;
        for (bool hintMetrics : {true, false}) {
            for (double scrollY : {0.0, 37.5, 150.0}) {
                SCOPED_TRACE(std::to_string(scrollY) + (hintMetrics ? " hinted" : " unhinted"));
                const auto reference = pixels(true, scrollY, hintMetrics);
                const double referenceHeight = context().state.contentHeight;
                const auto fast = pixels(false, scrollY, hintMetrics);
                EXPECT_EQ(context().state.contentHeight, referenceHeight);
                EXPECT_TRUE(fast == reference);
            }
        }
    }
}

TEST_F(LayoutDocumentTest, ImageDumpFollowsThePicturesOfEachPass) {
    testing::TempDir ram;
    const testing::ScopedVariable ramVariable("QUIRELLE_RAM_DIR", ram.path().string());
    const std::string page =
        Page(R"(<p><img src="../Images/plate.png" width="30" height="20"/></p>)"
             R"(<svg xmlns="http://www.w3.org/2000/svg" width="10"><circle r="5"/></svg>)"
             // A cover page: the image inside ends the drawing, whose markup is never dumped.
             R"(<svg xmlns:xlink="http://www.w3.org/1999/xlink">)"
             R"(<image width="40" height="50" xlink:href="../Images/cover.jpg"/></svg>)");
    Render(page);
    EXPECT_FALSE(std::filesystem::exists(ram / "debug_image.txt")) << "written with the switch off";

    context().debug.debugImages = true;
    const std::string onePass =
        "------ Pic -------\n"
        "------ Path = ../Images/plate.png = plate.png -------\n"
        "------ width = 30 -------\n"
        "------ height = 20 -------\n"
        "------ Pic -------\n"
        "------ Row_height = 30 -------\n"
        "------ SVG -------\n"
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
        // The drawing stands alone: the namespaces it uses are declared on it.
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" "
        "xmlns:xlink=\"http://www.w3.org/1999/xlink\"><circle r=\"5\"></circle></svg>\n"
        "------ SVG -------\n"
        "------ SVG -------\n"
        "------ Pic -------\n"
        "------ width = 40 -------\n"
        "------ height = 50 -------\n"
        "------ PIC -------\n"
        "------ Row_height = 60 -------\n";
    Render(page);
    Render(page);
    EXPECT_EQ(testing::ReadFile(ram / "debug_image.txt"), onePass + onePass);
}

// A draw for the screen stops laying out once nothing more can reach the view, and shows exactly
// what laying out the whole document shows, wherever the page is scrolled.
TEST_F(LayoutDocumentTest, ADrawEndsBelowTheViewAndShowsWhatAWholePassShows) {
    std::string body = "<h1>A long chapter</h1>";
    for (int i = 0; i < 600; ++i) {
        body += "<p>Paragraph " + std::to_string(i) + " with <i>some</i> <b>words</b> and " +
                "<a href=\"n.xhtml\">a link</a> that wraps on a narrow page, twice or more.</p>";
        if (i % 50 == 0) {
            body += "<hr/><ol><li>one</li><li>two</li></ol>";
        }
    }
    const std::string text = Page(body);
    std::memcpy(data().documentText.data.get(), text.c_str(), text.size() + 1);
    data().documentText.size = static_cast<std::uint32_t>(text.size());
    data().book.archivePath = "(in memory)";
    constexpr int kWidth = 400, kHeight = 300;
    const auto bytesOf = [&](cairo_surface_t* surface) {
        cairo_surface_flush(surface);
        const unsigned char* bytes = cairo_image_surface_get_data(surface);
        return std::vector<unsigned char>(
            bytes, bytes + cairo_image_surface_get_stride(surface) * kHeight);
    };
    for (const double scrollY : {0.0, 1234.5, 20000.0, 60000.0}) {
        SCOPED_TRACE(scrollY);
        context().scrollY = scrollY;
        // The whole document, laid out as a draw lays it out.
        CairoSurface whole(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight));
        CairoContext wholeCr(cairo_create(whole.get()));
        cairo_set_source_rgb(wholeCr.get(), 1, 1, 1);
        cairo_paint(wholeCr.get());
        context().areaWidth = kWidth;
        context().areaHeight = kHeight;
        context().state.ShowRows(0, kHeight);
        context().state.blankWhitePage = true;
        view_.RenderPage(wholeCr.get(), data().documentText.Text());
        context().state.blankWhitePage = false;
        EXPECT_FALSE(context().state.endedEarly);
        const double length = context().state.contentHeight;

        CairoSurface drawn(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight));
        CairoContext drawnCr(cairo_create(drawn.get()));
        view_.Draw(drawnCr.get(), kWidth, kHeight);
        // It ends as far below the view as anything in the document reaches, once a pass has
        // seen it all; before, three times the largest font below.
        const double reach = context().checkpoints.reach.value_or(6000);
        EXPECT_EQ(context().state.endedEarly, scrollY + kHeight + reach < length) << length;
        EXPECT_TRUE(bytesOf(drawn.get()) == bytesOf(whole.get()));
    }
}

class PageLoadingTest : public LayoutFixture {
  protected:
    void SetUp() override {
        const auto path = dir_ / "book.epub";
        std::string manifest, spine;
        std::vector<testing::Member> chapters;
        for (int i = 1; i <= 3; ++i) {
            const std::string id = "c" + std::to_string(i);
            manifest += "<item id=\"" + id + "\" href=\"Text/chapter" + std::to_string(i) +
                        ".xhtml\" media-type=\"application/xhtml+xml\"/>";
            spine += "<itemref idref=\"" + id + "\"/>";
            chapters.push_back({"OEBPS/Text/chapter" + std::to_string(i) + ".xhtml",
                                Page("<p>Chapter " + std::to_string(i) + "</p><p>two</p>")});
        }
        testing::WriteArchive(
            path, testing::BookMembers(testing::PackageDocument(manifest, spine), chapters));
        context().areaWidth = 600;
        context().areaHeight = 400;
        view_.OpenBook(path.string());
    }
    testing::TempDir dir_;
};

TEST_F(PageLoadingTest, LoadingAPageGivesItsLengthToTheScrollbar) {
    view_.LoadPage(1);
    EXPECT_NE(data().documentText.Text().find("Chapter 2"), std::string::npos);
    StartFlow();
    const double h = CurrentFontHeight(context());
    EXPECT_NEAR(data().scrollRange, 30.0 + 3 * h, 1.0 / 64);
    EXPECT_EQ(frontend_.scrollTotal, static_cast<int>(data().scrollRange));
    EXPECT_EQ(context().pageLength, data().scrollRange);
    EXPECT_EQ(frontend_.scrollVisible, 400);
    EXPECT_EQ(context().scrollY, 0.0);
    EXPECT_EQ(data().currentPage, 1);
    EXPECT_FALSE(context().state.measurePass);
}

TEST_F(PageLoadingTest, GotoTargetShowsTheNamedDocumentAndChoosesItsRow) {
    view_.LoadPage(0);
    view_.SetScroll(120);
    view_.GotoTarget("../Text/chapter2.xhtml#sec1");
    EXPECT_EQ(frontend_.activePageRow, 1);
    EXPECT_NE(data().documentText.Text().find("Chapter 2"), std::string::npos);
    EXPECT_EQ(context().scrollY, 0.0);
    EXPECT_EQ(data().currentPage, 0) << "the current page is not changed by a jump";

    view_.GotoTarget("elsewhere.xhtml");
    EXPECT_EQ(frontend_.activePageRow, 3) << "the row after the last";
    EXPECT_NE(data().documentText.Text().find("Chapter 2"), std::string::npos);
}

TEST_F(PageLoadingTest, AnIndexOutsideTheBookChangesNothing) {
    view_.LoadPage(1);
    const std::string shown(data().documentText.Text());
    const double length = data().scrollRange;
    const int busy = frontend_.busyCount;
    // Within the table's room but past the book's last document, and before its first.
    for (const int index : {3, 4, 999, 1000, -1}) {
        SCOPED_TRACE(index);
        view_.LoadPage(index);
        EXPECT_EQ(data().currentPage, 1);
        EXPECT_EQ(data().documentText.Text(), shown);
        EXPECT_EQ(data().scrollRange, length);
    }
    EXPECT_EQ(frontend_.busyCount, busy);
}

// What a member of the reading order is shown as is decided by its media type; its name decides
// only where the manifest gives none.
TEST(ContentKindTest, TheMediaTypeDecidesAndTheNameOnlyWithoutOne) {
    struct Case {
        const char* mediaType;
        const char* href;
        ContentKind kind;
    };
    const Case cases[] = {
        {"application/xhtml+xml", "Text/chapter.htm", ContentKind::Document},
        {"application/xhtml+xml", "Text/chapter.xml", ContentKind::Document},
        {"text/html", "chapter.htm", ContentKind::Document},
        {"application/xhtml+xml", "picture-of-html.png", ContentKind::Document},
        {"image/svg+xml", "map.svg", ContentKind::Picture},
        {"image/jpeg", "html-cover.jpg", ContentKind::Picture},
        {"Image/PNG", "plate.png", ContentKind::Picture},
        {"", "chapter.xhtml", ContentKind::Document},
        {"", "chapter.htm", ContentKind::Picture},
        {"", "plate.png", ContentKind::Picture},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mediaType) + " " + c.href);
        EXPECT_EQ(ContentKindOf(c.mediaType, c.href), c.kind);
    }
}

class MediaTypeLoadingTest : public LayoutFixture {
  protected:
    void SetUp() override {
        const auto path = dir_ / "book.epub";
        const std::string manifest =
            R"(<item id="a" href="Text/first.htm" media-type="application/xhtml+xml"/>)"
            R"(<item id="b" href="Text/second.xml" media-type="application/xhtml+xml"/>)"
            R"(<item id="c" href="Images/plate.svg" media-type="image/svg+xml"/>)";
        testing::WriteArchive(
            path,
            testing::BookMembers(
                testing::PackageDocument(
                    manifest, R"(<itemref idref="a"/><itemref idref="b"/><itemref idref="c"/>)"),
                {{"OEBPS/Text/first.htm", Page("<p>First words</p>")},
                 {"OEBPS/Text/second.xml", Page("<p>Second words</p>")},
                 {"OEBPS/Images/plate.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>"}}));
        view_.OpenBook(path.string());
    }
    testing::TempDir dir_;
};

TEST_F(MediaTypeLoadingTest, DocumentsAreReadAndPicturesWrappedByTheirMediaType) {
    const struct {
        int index;
        const char* shows;
    } cases[] = {{0, "<p>First words</p>"}, {1, "<p>Second words</p>"}, {2, "src=\"plate.svg\""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        view_.LoadPage(c.index);
        EXPECT_NE(data().documentText.Text().find(c.shows), std::string::npos)
            << data().documentText.Text();
    }
    // A link inside the book is read the same way.
    view_.GotoTarget("first.htm#top");
    EXPECT_NE(data().documentText.Text().find("First words"), std::string::npos);
    view_.GotoTarget("../Images/plate.svg");
    EXPECT_NE(data().documentText.Text().find("src=\"plate.svg\""), std::string::npos);
}

}  // namespace
}  // namespace quirelle
