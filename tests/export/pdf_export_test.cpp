#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "export/pdf_export.hpp"
#include "platform/headless_frontend.hpp"
#include "platform/paths.hpp"
#include "support/book_fixture.hpp"
#include "support/json_reader.hpp"
#include "support/picture_fixture.hpp"
#include "support/program_run.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

// Width and height in points of every page of the file, as a PDF viewer reads them.
std::vector<std::pair<double, double>> PdfPageSizes(const std::filesystem::path& pdf,
                                                    const testing::TempDir& dir) {
    const testing::ProgramRun info =
        testing::RunProgram("pdfinfo", "-f 1 -l 1000 " + testing::Quoted(pdf.string()), dir);
    std::vector<std::pair<double, double>> sizes;
    std::istringstream lines(info.out);
    for (std::string line; std::getline(lines, line);) {
        double width = 0, height = 0;
        const auto at = line.find(" size: ");
        if (line.rfind("Page", 0) == 0 && at != std::string::npos &&
            std::sscanf(line.c_str() + at + 7, "%lf x %lf", &width, &height) == 2) {
            sizes.emplace_back(width, height);
        }
    }
    return sizes;
}

class PdfExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string manifest, spine;
        std::vector<testing::Member> chapters;
        // Chapters of 1, 20 and 3 paragraphs: the middle one is the tallest.
        const int paragraphs[] = {1, 20, 3};
        for (int i = 0; i < 3; ++i) {
            const std::string id = "c" + std::to_string(i);
            manifest += "<item id=\"" + id + "\" href=\"" + id +
                        ".xhtml\" media-type=\"application/xhtml+xml\"/>";
            spine += "<itemref idref=\"" + id + "\"/>";
            std::string body;
            for (int p = 0; p < paragraphs[i]; ++p) {
                body += "<p>Paragraph " + std::to_string(p) + " of chapter " + id + ".</p>";
            }
            chapters.push_back({"OEBPS/" + id + ".xhtml", testing::XhtmlPage(body)});
        }
        book_ = (dir_ / "book.epub").string();
        testing::WriteArchive(
            book_, testing::BookMembers(testing::PackageDocument(manifest, spine), chapters));
        view_.OpenBook(book_);
    }

    int PdfPages(const std::filesystem::path& pdf) {
        const testing::ProgramRun info =
            testing::RunProgram("pdfinfo", testing::Quoted(pdf.string()), dir_);
        const auto at = info.out.find("Pages:");
        return at == std::string::npos ? -1 : std::stoi(info.out.substr(at + 6));
    }

    std::vector<std::pair<double, double>> PageSizes(const std::filesystem::path& pdf) {
        return PdfPageSizes(pdf, dir_);
    }

    testing::TempDir dir_;
    std::string book_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

TEST_F(PdfExportTest, EachPageIsAsTallAsItsDocumentAndTheTallestIsKept) {
    const auto pdf = dir_ / "out.pdf";
    MeasurePages(view_, 0, 2);
    EXPECT_EQ(frontend_.statusHistory.back(), "");
    EXPECT_NE(std::find(frontend_.statusHistory.begin(), frontend_.statusHistory.end(),
                        "Calculate max. Pagelenght... 2/2 "),
              frontend_.statusHistory.end());
    ASSERT_TRUE(ExportPdfPages(view_, pdf.string(), 0, 0));
    const double shortest = view_.Data().maxPageLength;
    ASSERT_TRUE(ExportPdfPages(view_, pdf.string(), 1, 2));
    const double tallest = view_.Data().maxPageLength;
    EXPECT_GT(tallest, shortest);

    // A short document is not padded out to the tallest one's height.
    const auto sizes = PageSizes(pdf);
    ASSERT_EQ(sizes.size(), 2u);
    for (const auto& [width, height] : sizes) {
        EXPECT_DOUBLE_EQ(width, 1000.0);
    }
    EXPECT_NEAR(sizes[0].second, tallest, 0.01);
    EXPECT_GT(sizes[1].second, 0.0);
    EXPECT_LT(sizes[1].second, sizes[0].second);

    ASSERT_TRUE(ExportPdfPages(view_, pdf.string(), 0, 0));
    EXPECT_EQ(view_.Data().maxPageLength, tallest) << "a later, shorter range keeps the height";
}

// A chapter of about 50,000 points goes on over pages no taller than PDF viewers open, and no
// line is cut between two of them: each paragraph's text is on exactly one page.
TEST(PdfExportPagingTest, ALongDocumentGoesOnOverPagesCutBetweenLines) {
    testing::TempDir dir;
    std::string body;
    constexpr int kParagraphs = 1500;
    for (int p = 0; p < kParagraphs; ++p) {
        body += "<p>Paragraph " + std::to_string(p) + " ends here.</p>";
    }
    const auto book = dir / "long.epub";
    testing::WriteArchive(
        book, testing::BookMembers(
                  testing::PackageDocument(
                      R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)",
                      R"(<itemref idref="c"/>)"),
                  {{"OEBPS/c.xhtml", testing::XhtmlPage(body)}}));
    HeadlessFrontend frontend;
    DocumentView view(frontend);
    view.OpenBook(book.string());
    const auto pdf = dir / "long.pdf";
    ASSERT_TRUE(ExportPdfPages(view, pdf.string(), 0, 0));

    const auto sizes = PdfPageSizes(pdf, dir);
    for (const auto& [width, height] : sizes) {
        EXPECT_LE(height, 14400.0);
    }
    EXPECT_GE(sizes.size(), 3u);

    const testing::ProgramRun text =
        testing::RunProgram("pdftotext", testing::Quoted(pdf.string()) + " -", dir);
    ASSERT_EQ(text.status, 0) << text.err;
    for (int p = 0; p < kParagraphs; ++p) {
        const std::string paragraph = "Paragraph " + std::to_string(p) + " ends here.";
        const auto first = text.out.find(paragraph + "\n");
        ASSERT_NE(first, std::string::npos) << paragraph;
        EXPECT_EQ(text.out.find(paragraph + "\n", first + 1), std::string::npos) << paragraph;
    }
}

TEST_F(PdfExportTest, AnEmptyRangeWritesNoFile) {
    const auto empty = dir_ / "empty.pdf";
    MeasurePages(view_, 0, 2);
    EXPECT_FALSE(ExportPdfPages(view_, empty.string(), 2, 1));
    EXPECT_FALSE(std::filesystem::exists(empty));

    // From the window: the user is told, and no file is asked for.
    frontend_.exportFrom = 2;
    frontend_.exportTo = 1;
    frontend_.fileRequestAnswers.push_back({FileRequest::Result::Chosen, empty.string()});
    ExportPdf(view_);
    EXPECT_TRUE(frontend_.fileRequests.empty());
    ASSERT_EQ(frontend_.messages.size(), 1u);
    EXPECT_NE(frontend_.messages[0].find("nothing to export"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(empty));
    EXPECT_EQ(frontend_.busyDepth, 0);
}

// The export lays its documents out on their own; the page on display stays as the user left it:
// drawn the same, as long as before, and a click on it follows none of the last exported
// document's links.
TEST(PdfExportDisplayTest, ThePageOnDisplayIsLeftAsItWas) {
    testing::TempDir dir;
    std::string lines;
    for (int i = 0; i < 80; ++i) {
        lines += "<p>Line " + std::to_string(i) + "</p>";
    }
    const std::string manifest = R"(
        <item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>
        <item id="b" href="b.xhtml" media-type="application/xhtml+xml"/>)";
    const auto book = dir / "book.epub";
    testing::WriteArchive(
        book, testing::BookMembers(
                  testing::PackageDocument(manifest, R"(<itemref idref="a"/><itemref idref="b"/>)"),
                  {{"OEBPS/a.xhtml", testing::XhtmlPage(lines)},
                   {"OEBPS/b.xhtml", testing::XhtmlPage(R"(<p><a href="https://example.org/">a link
                        across the top of the page</a></p>)")}}));
    HeadlessFrontend frontend;
    DocumentView view(frontend);
    ASSERT_TRUE(view.OpenBook(book.string()));
    const auto drawScreen = [&] {
        CairoSurface screen(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 600, 400));
        CairoContext cr(cairo_create(screen.get()));
        view.Draw(cr.get(), 600, 400);
        cairo_surface_flush(screen.get());
        const unsigned char* pixels = cairo_image_surface_get_data(screen.get());
        return std::string(
            reinterpret_cast<const char*>(pixels),
            static_cast<std::size_t>(cairo_image_surface_get_stride(screen.get())) * 400);
    };
    view.SetScroll(300);
    const std::string before = drawScreen();
    const DocumentViewData& data = view.Data();
    const double pageLength = data.shown->page.height;
    // The first draw at the screen's width may have scrolled to keep the first word in view.
    const double scrolled = data.scrollY;
    ASSERT_TRUE(data.links.empty());

    frontend.exportFrom = 0;
    frontend.exportTo = 1;
    frontend.fileRequestAnswers.push_back(
        {FileRequest::Result::Chosen, (dir / "out.pdf").string()});
    ExportPdf(view);
    ASSERT_TRUE(std::filesystem::exists(dir / "out.pdf"));

    EXPECT_EQ(data.scrollY, scrolled);
    EXPECT_EQ(data.shown->page.height, pageLength);
    EXPECT_TRUE(data.links.empty());
    view.PointerReleased(60, 40);
    EXPECT_TRUE(frontend.openedUrls.empty());
    EXPECT_TRUE(drawScreen() == before) << "the page on display is drawn otherwise after an export";
}

TEST_F(PdfExportTest, ExportAsksForAFileAndAddsTheSuffix) {
    struct Case {
        std::string chosen;
        std::string written;
    };
    const Case cases[] = {
        {(dir_ / "plain").string(), (dir_ / "plain.pdf").string()},
        {(dir_ / "book.PDF").string(), (dir_ / "book.PDF.pdf").string()},
        {(dir_ / "has.pdf").string(), (dir_ / "has.pdf").string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        frontend_.exportFrom = 0;
        frontend_.exportTo = 1;
        frontend_.exportWindowOpen = true;
        frontend_.fileRequestAnswers.push_back({FileRequest::Result::Chosen, c.chosen});
        ExportPdf(view_);
        EXPECT_EQ(frontend_.fileRequests.back().title, "Export as pdf...");
        EXPECT_TRUE(frontend_.fileRequests.back().saveMode);
        EXPECT_EQ(frontend_.fileRequests.back().pattern, "#?.(PDF)");
        EXPECT_EQ(PdfPages(c.written), 2);
        EXPECT_FALSE(frontend_.exportWindowOpen);
        EXPECT_EQ(frontend_.busyDepth, 0);
    }
}

// The window's export offers the book's title in the documents folder, prints on the paper
// chosen, and ends by naming the file written.
TEST_F(PdfExportTest, TheWindowOffersTheTitleAndSaysWhatItWrote) {
    const auto written = dir_ / "chosen.pdf";
    frontend_.exportFrom = 0;
    frontend_.exportTo = 2;
    frontend_.exportPaperChoice = 3;  // A5
    frontend_.fileRequestAnswers.push_back({FileRequest::Result::Chosen, written.string()});
    ExportPdf(view_);
    ASSERT_FALSE(frontend_.fileRequests.empty());
    EXPECT_EQ(frontend_.fileRequests.back().drawer, (DocumentsFolder() / "Fixture.pdf").string());
    EXPECT_EQ(frontend_.statusHistory.back(), written.string() + " written");
    const auto sizes = PageSizes(written);
    ASSERT_FALSE(sizes.empty());
    EXPECT_NEAR(sizes[0].first, 419.528, 0.01);
    EXPECT_NEAR(sizes[0].second, 595.276, 0.01);
}

TEST_F(PdfExportTest, CancellingWritesNothingAndAFailedWriteIsTold) {
    frontend_.exportWindowOpen = true;
    ExportPdf(view_);  // no answer prepared: cancelled
    EXPECT_TRUE(frontend_.exportWindowOpen);
    EXPECT_TRUE(frontend_.messages.empty());

    frontend_.fileRequestAnswers.push_back(
        {FileRequest::Result::Chosen, (dir_ / "no-such-folder" / "out.pdf").string()});
    ExportPdf(view_);
    ASSERT_EQ(frontend_.messages.size(), 1u);
    EXPECT_NE(frontend_.messages[0].find("could not be written"), std::string::npos);
}

// A sheet that gives the page a background picture must not cut the page short: every word of a
// long chapter is in the file.
TEST(PdfExportBackgroundTest, ABackgroundPictureDoesNotCutThePageShort) {
    testing::TempDir dir;
    std::string body;
    for (int p = 0; p < 60; ++p) {
        body += "<p>Paragraph " + std::to_string(p) + " of the long chapter.</p>";
    }
    const std::string manifest =
        R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)"
        R"(<item id="s" href="style.css" media-type="text/css"/>)";
    const auto book = dir / "book.epub";
    testing::WriteArchive(
        book, testing::BookMembers(
                  testing::PackageDocument(manifest, R"(<itemref idref="c"/>)"),
                  {{"OEBPS/c.xhtml", testing::XhtmlPage(body, testing::SheetLink("style.css"))},
                   {"OEBPS/style.css",
                    R"(body { background-image: url("bg.png"); background-repeat: repeat })"}}));
    HeadlessFrontend frontend;
    DocumentView view(frontend);
    ASSERT_TRUE(view.OpenBook(book.string()));
    MeasurePages(view, 0, 0);
    const auto pdf = dir / "out.pdf";
    ASSERT_TRUE(ExportPdfPages(view, pdf.string(), 0, 0));
    EXPECT_GT(view.Data().maxPageLength, 60 * 15.0);
    const testing::ProgramRun text =
        testing::RunProgram("pdftotext", "-raw " + testing::Quoted(pdf.string()) + " -", dir);
    EXPECT_NE(text.out.find("Paragraph 59 of the long chapter."), std::string::npos) << text.out;
}

// The first page of the file as a PDF viewer shows it, at `dpi`; null when it cannot be shown.
CairoSurface FirstPageAsPicture(const std::filesystem::path& pdf, int dpi,
                                const testing::TempDir& dir) {
    const testing::ProgramRun shown = testing::RunProgram(
        "pdftoppm",
        "-png -r " + std::to_string(dpi) + " -f 1 -l 1 " + testing::Quoted(pdf.string()) + " " +
            testing::Quoted((dir / "page").string()),
        dir);
    CairoSurface png(cairo_image_surface_create_from_png((dir / "page-1.png").c_str()));
    if (shown.status != 0 || cairo_surface_status(png.get()) != CAIRO_STATUS_SUCCESS) {
        ADD_FAILURE() << "pdftoppm: " << shown.err;
        return nullptr;
    }
    cairo_surface_flush(png.get());
    return png;
}

// The page's background covers the whole exported page, however tall, not only the height of a
// window.
TEST(PdfExportBackgroundTest, TheBackgroundCoversTheWholePage) {
    testing::TempDir dir;
    std::string body;
    for (int p = 0; p < 80; ++p) {
        body += "<p>Paragraph " + std::to_string(p) + ".</p>";
    }
    const auto book = dir / "book.epub";
    testing::WriteArchive(
        book, testing::BookMembers(
                  testing::PackageDocument(
                      R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)"
                      R"(<item id="s" href="style.css" media-type="text/css"/>)",
                      R"(<itemref idref="c"/>)"),
                  {{"OEBPS/c.xhtml", testing::XhtmlPage(body, testing::SheetLink("style.css"))},
                   {"OEBPS/style.css", "body { background-color: #00ff00 }"}}));
    HeadlessFrontend frontend;
    DocumentView view(frontend);
    ASSERT_TRUE(view.OpenBook(book.string()));
    MeasurePages(view, 0, 0);
    const auto pdf = dir / "out.pdf";
    ASSERT_TRUE(ExportPdfPages(view, pdf.string(), 0, 0));
    ASSERT_GT(view.Data().maxPageLength, 1000.0);
    const CairoSurface png = FirstPageAsPicture(pdf, 9, dir);
    ASSERT_TRUE(png);
    const int height = cairo_image_surface_get_height(png.get());
    const auto* bottom = reinterpret_cast<const std::uint32_t*>(
        cairo_image_surface_get_data(png.get()) +
        (height - 1) * cairo_image_surface_get_stride(png.get()));
    EXPECT_EQ(bottom[0] & 0xFFFFFF, 0x00FF00u);
}

// Each picture of the book is one image of the file, placed where the page shows it: a JPEG as
// JPEG data, written once however often it is used, and SVG as vectors, no image at all.
TEST(PdfExportPicturesTest, EachPictureIsOneImageEmbeddedOnce) {
    testing::TempDir dir;
    const std::string manifest =
        R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>)"
        R"(<item id="b" href="b.xhtml" media-type="application/xhtml+xml"/>)";
    const auto book = dir / "book.epub";
    testing::WriteArchive(
        book,
        testing::BookMembers(
            testing::PackageDocument(manifest, R"(<itemref idref="a"/><itemref idref="b"/>)"),
            {{"OEBPS/a.xhtml",
              testing::XhtmlPage(
                  R"(<p><img src="photo.jpg"/></p><p><img src="photo.jpg" width="40"/></p>)"
                  R"(<p><img src="plate.png"/></p><p><img src="drawing.svg"/></p>)")},
             {"OEBPS/b.xhtml",
              testing::XhtmlPage(R"(<p><img src="photo.jpg"/></p><p><img src="other.jpg"/></p>)")},
             {"OEBPS/photo.jpg", testing::JpegOfColor(80, 60, {0, 0, 255, 255})},
             {"OEBPS/other.jpg", testing::JpegOfColor(30, 20, {0, 0, 255, 255})},
             {"OEBPS/plate.png", testing::PngOfColor(64, 48, {255, 0, 0, 255})},
             {"OEBPS/drawing.svg", testing::SvgOfColor(50, 50, "#00ff00")}}));
    HeadlessFrontend frontend;
    DocumentView view(frontend);
    ASSERT_TRUE(view.OpenBook(book.string()));
    MeasurePages(view, 0, 1);
    const auto pdf = dir / "pictures.pdf";
    ASSERT_TRUE(ExportPdfPages(view, pdf.string(), 0, 1));

    // pdfimages lists every use: page, number, type, width, height, ..., encoding, ..., object.
    const testing::ProgramRun list =
        testing::RunProgram("pdfimages", "-list " + testing::Quoted(pdf.string()), dir);
    ASSERT_EQ(list.status, 0) << list.err;
    std::multiset<std::string> uses;
    std::map<std::string, std::set<std::string>> objects;
    std::istringstream lines(list.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string page, number, type, width, height, color, components, bits, encoding, interp,
            object;
        if (!(fields >> page >> number >> type >> width >> height >> color >> components >> bits >>
              encoding >> interp >> object) ||
            type != "image") {
            continue;
        }
        const std::string picture = width + "x" + height + " " + encoding;
        uses.insert(picture);
        objects[picture].insert(object);
    }
    EXPECT_EQ(uses.count("80x60 jpeg"), 3u) << list.out;
    EXPECT_EQ(uses.count("30x20 jpeg"), 1u) << list.out;
    EXPECT_EQ(uses.count("64x48 image"), 1u) << list.out;
    EXPECT_EQ(uses.size(), 5u) << "the SVG is no image: " << list.out;
    for (const auto& [picture, ids] : objects) {
        EXPECT_EQ(ids.size(), 1u) << picture << " is written more than once";
    }

    // And the page shows them: the JPEG blue, the PNG red, the SVG green.
    const CairoSurface png = FirstPageAsPicture(pdf, 36, dir);
    ASSERT_TRUE(png);
    std::set<std::uint32_t> colors;
    const int width = cairo_image_surface_get_width(png.get());
    const int height = cairo_image_surface_get_height(png.get());
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(png.get()) +
                                                   y * cairo_image_surface_get_stride(png.get()));
        for (int x = 0; x < width; ++x) {
            colors.insert(row[x] & 0xFFFFFF);
        }
    }
    for (const std::uint32_t wanted : {0x0000FFu, 0xFF0000u, 0x00FF00u}) {
        // JPEG and the rasteriser round a little.
        const bool found = std::any_of(colors.begin(), colors.end(), [&](std::uint32_t color) {
            for (const int shift : {0, 8, 16}) {
                if (std::abs(static_cast<int>((color >> shift) & 0xFF) -
                             static_cast<int>((wanted >> shift) & 0xFF)) > 8) {
                    return false;
                }
            }
            return true;
        });
        EXPECT_TRUE(found) << std::hex << wanted;
    }
}

// A book for the export's paging, outline and links: one document per body, with a navigation
// document when `nav` holds its toc entries.
struct ExportBook {
    std::vector<std::string> bodies;
    std::string head;  // the style of every document
    std::string nav;   // <li> entries of the toc nav
    std::string metadata = "<dc:title>Fixture</dc:title>";
};

class PdfPaperTest : public ::testing::Test {
  protected:
    void Write(const ExportBook& book) {
        std::string manifest, spine;
        std::vector<testing::Member> members;
        for (std::size_t i = 0; i < book.bodies.size(); ++i) {
            const std::string id = "c" + std::to_string(i);
            manifest += "<item id=\"" + id + "\" href=\"Text/" + id +
                        ".xhtml\" media-type=\"application/xhtml+xml\"/>";
            spine += "<itemref idref=\"" + id + "\"/>";
            members.push_back(
                {"OEBPS/Text/" + id + ".xhtml", testing::XhtmlPage(book.bodies[i], book.head)});
        }
        if (!book.nav.empty()) {
            manifest += R"(<item id="nav" href="Text/nav.xhtml" properties="nav" )"
                        R"(media-type="application/xhtml+xml"/>)";
            members.push_back({"OEBPS/Text/nav.xhtml",
                               R"(<?xml version="1.0" encoding="utf-8"?>)"
                               R"(<html xmlns="http://www.w3.org/1999/xhtml" )"
                               R"(xmlns:epub="http://www.idpf.org/2007/ops"><head><title>T</title>)"
                               R"(</head><body><nav epub:type="toc"><ol>)" +
                                   book.nav + "</ol></nav></body></html>"});
        }
        testing::WriteArchive(
            dir_ / "book.epub",
            testing::BookMembers(testing::PackageDocument(manifest, spine, book.metadata),
                                 members));
        view_.OpenBook((dir_ / "book.epub").string());
    }

    // Exports the book's documents (all but a navigation document) and checks the file with
    // qpdf, as a print workflow would.
    std::filesystem::path Export(const PdfOptions& options, int documents) {
        const auto pdf = dir_ / "out.pdf";
        EXPECT_TRUE(ExportPdfPages(view_, pdf.string(), 0, documents - 1, nullptr, options));
        const testing::ProgramRun check =
            testing::RunProgram("qpdf", "--check " + testing::Quoted(pdf.string()), dir_);
        EXPECT_EQ(check.status, 0) << check.out << check.err;
        return pdf;
    }

    // The text of each page, as pdftotext reads it.
    std::vector<std::string> PageTexts(const std::filesystem::path& pdf) {
        const testing::ProgramRun text = testing::RunProgram(
            "pdftotext", "-layout " + testing::Quoted(pdf.string()) + " -", dir_);
        std::vector<std::string> pages;
        std::istringstream split(text.out);
        for (std::string page; std::getline(split, page, '\f');) {
            pages.push_back(page);
        }
        return pages;
    }

    // Each page's words in reading order, as pdftotext -bbox places them.
    std::vector<std::vector<std::string>> PageWords(const std::filesystem::path& pdf) {
        const testing::ProgramRun bbox =
            testing::RunProgram("pdftotext", "-bbox " + testing::Quoted(pdf.string()) + " -", dir_);
        std::vector<std::vector<std::string>> pages;
        std::istringstream lines(bbox.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.find("<page ") != std::string::npos) {
                pages.emplace_back();
            }
            const auto open = line.find("<word ");
            if (open != std::string::npos && !pages.empty()) {
                const auto start = line.find('>', open) + 1;
                pages.back().push_back(line.substr(start, line.find("</word>") - start));
            }
        }
        return pages;
    }

    std::optional<testing::JsonValue> QpdfJson(const std::filesystem::path& pdf) {
        const testing::ProgramRun json =
            testing::RunProgram("qpdf", "--json " + testing::Quoted(pdf.string()), dir_);
        return testing::ParseJson(json.out);
    }

    testing::TempDir dir_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

ExportBook Bodies(std::vector<std::string> bodies, std::string head = "") {
    ExportBook book;
    book.bodies = std::move(bodies);
    book.head = std::move(head);
    return book;
}

PdfOptions OnPaper(const char* size) {
    PdfOptions options;
    options.paper = ParsePaperSize(size).value();
    return options;
}

std::string Paragraphs(const std::string& prefix, int count, int words) {
    std::string body;
    for (int p = 0; p < count; ++p) {
        body += "<p>";
        for (int w = 0; w < words; ++w) {
            body += prefix + std::to_string(p) + "x" + std::to_string(w) + " ";
        }
        body += "</p>";
    }
    return body;
}

// The last line of a page's text above its number.
std::string LastLine(const std::string& page) {
    std::vector<std::string> lines;
    std::istringstream split(page);
    for (std::string line; std::getline(split, line);) {
        const auto first = line.find_first_not_of(' ');
        if (first != std::string::npos) {
            lines.push_back(line.substr(first));
        }
    }
    if (!lines.empty() && lines.back().find_first_not_of("0123456789") == std::string::npos) {
        lines.pop_back();
    }
    return lines.empty() ? "" : lines.back();
}

// The first line of a page's text, without the embedding marks pdftotext puts around
// right-to-left text of its own accord.
std::string FirstLine(std::string page) {
    for (const char* mark : {"\u202B", "\u202C", "\u202A"}) {
        for (auto at = page.find(mark); at != std::string::npos; at = page.find(mark)) {
            page.erase(at, 3);
        }
    }
    std::istringstream split(page);
    for (std::string line; std::getline(split, line);) {
        const auto first = line.find_first_not_of(' ');
        if (first != std::string::npos) {
            return line.substr(first);
        }
    }
    return "";
}

TEST_F(PdfPaperTest, PagesHaveThePapersSizeAndEachDocumentStartsOne) {
    Write(Bodies({"<p>Start0</p>" + Paragraphs("a", 40, 12), "<p>Start1</p><p>short</p>",
                  "<p>Start2</p>" + Paragraphs("b", 40, 12)}));
    const struct {
        const char* name;
        PdfOptions options;
        double width, height;  // 0: as the book, at most 14,400 points tall
    } cases[] = {
        {"as the book", PdfOptions(), 1000, 0},
        {"a4", OnPaper("a4"), 595.276, 841.89},
        {"letter", OnPaper("Letter"), 612, 792},
        {"a5", OnPaper("a5"), 419.528, 595.276},
        {"points", OnPaper("420x595"), 420, 595},
        {"millimetres", OnPaper("148mmx210mm"), 419.528, 595.276},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pdf = Export(c.options, 3);
        const auto sizes = PdfPageSizes(pdf, dir_);
        ASSERT_GE(sizes.size(), 3u);
        for (const auto& [width, height] : sizes) {
            EXPECT_NEAR(width, c.width, 0.01);
            if (c.height > 0) {
                EXPECT_NEAR(height, c.height, 0.01);
            } else {
                EXPECT_LE(height, 14400.0);
            }
        }
        // Each document begins at the head of a page.
        int starts = 0;
        for (const std::string& page : PageTexts(pdf)) {
            starts += FirstLine(page).rfind("Start", 0) == 0;
        }
        EXPECT_EQ(starts, 3);
        EXPECT_EQ(c.height > 0 ? sizes.size() > 3u : sizes.size() == 3u, true);
    }
    EXPECT_FALSE(ParsePaperSize("a3"));
    EXPECT_FALSE(ParsePaperSize("10x10"));
    EXPECT_FALSE(ParsePaperSize("100x20000"));
    EXPECT_FALSE(ParsePaperSize("100mmx"));
}

// Every word is on exactly one page: a line cut by a page break would be drawn on both.
TEST_F(PdfPaperTest, NoLineIsCutByAPageBreak) {
    Write(Bodies({Paragraphs("w", 60, 30)}));
    const PdfOptions options = OnPaper("a5");
    const auto pages = PageWords(Export(options, 1));
    ASSERT_GT(pages.size(), 3u);
    std::map<std::string, int> seen;
    for (const auto& words : pages) {
        for (const std::string& word : words) {
            ++seen[word];
        }
    }
    for (int p = 0; p < 60; ++p) {
        for (int w = 0; w < 30; ++w) {
            const std::string word = "w" + std::to_string(p) + "x" + std::to_string(w);
            EXPECT_EQ(seen[word], 1) << word;
        }
    }
}

TEST_F(PdfPaperTest, HeadingsKeepWithTheirTextAndTheBooksBreaksAreHonoured) {
    std::string body;
    for (int section = 0; section < 30; ++section) {
        body += "<h2>Heading" + std::to_string(section) + "</h2>" +
                Paragraphs("s" + std::to_string(section) + "p", 1 + section % 4, 9 + section % 13);
    }
    body += "<div class=\"keep\">" + Paragraphs("kept", 12, 8) + "</div>";
    body += "<p class=\"fresh\">Fresh start here.</p>" + Paragraphs("tail", 3, 5);
    Write(Bodies(
        {body},
        "<style>.keep { break-inside: avoid } .fresh { page-break-before: always }</style>"));
    const auto pdf = Export(OnPaper("a5"), 1);
    const auto pages = PageTexts(pdf);
    ASSERT_GT(pages.size(), 4u);
    int keptOn = -1;
    bool freshStarts = false;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(LastLine(pages[i]).rfind("Heading", 0), std::string::npos)
            << "page " << i + 1 << " ends with a heading";
        if (pages[i].find("kept0x0") != std::string::npos) {
            keptOn = static_cast<int>(i);
        }
        freshStarts = freshStarts || FirstLine(pages[i]) == "Fresh start here.";
    }
    ASSERT_GE(keptOn, 0);
    EXPECT_NE(pages[static_cast<std::size_t>(keptOn)].find("kept11x7"), std::string::npos)
        << "the block that avoids breaks is on one page";
    EXPECT_TRUE(freshStarts);
}

TEST_F(PdfPaperTest, OutlineAndLinksLeadToTheirPlaces) {
    ExportBook book;
    book.bodies = {
        "<p>Opening</p><p><a href=\"c1.xhtml#scene\">to the scene</a></p>"
        "<p><a href=\"https://example.org/a\">web</a> <a href=\"javascript:alert(1)\">odd</a> "
        "<a href=\"mailto:a@example.org\">mail</a></p>",
        Paragraphs("f", 50, 10) + "<h2 id=\"scene\">SceneTarget</h2><p>after</p>"};
    book.nav = R"(<li><a href="c0.xhtml">Part One</a><ol>)"
               R"(<li><a href="c1.xhtml#scene">The Scene</a></li></ol></li>)";
    Write(book);
    const auto pdf = Export(OnPaper("a5"), 2);
    const auto pages = PageTexts(pdf);
    int scenePage = 0;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (pages[i].find("SceneTarget") != std::string::npos) {
            scenePage = static_cast<int>(i) + 1;
        }
    }
    ASSERT_GT(scenePage, 2);

    const auto json = QpdfJson(pdf);
    ASSERT_TRUE(json);
    const auto& outlines = (*json)["outlines"].array;
    ASSERT_EQ(outlines.size(), 1u);
    EXPECT_EQ(outlines[0]["title"].string, "Part One");
    EXPECT_EQ(outlines[0]["destpageposfrom1"].number, 1);
    ASSERT_EQ(outlines[0]["kids"].array.size(), 1u);
    EXPECT_EQ(outlines[0]["kids"].array[0]["title"].string, "The Scene");
    EXPECT_EQ(outlines[0]["kids"].array[0]["destpageposfrom1"].number, scenePage);

    // The links' annotations: the internal one names a destination on the scene's page.
    std::vector<std::string> uris, dests;
    for (const auto& [key, object] : (*json)["qpdf"].array.at(1).object) {
        const auto& value = object["value"];
        if (value["/Subtype"].string != "/Link") {
            continue;
        }
        if (value["/Dest"].kind == testing::JsonValue::Kind::String) {
            dests.push_back(value["/Dest"].string.substr(2));  // "u:name"
        } else {
            uris.push_back(value["/A"]["/URI"].string.substr(2));
        }
    }
    std::sort(uris.begin(), uris.end());
    EXPECT_EQ(uris, (std::vector<std::string>{"https://example.org/a", "mailto:a@example.org"}));
    ASSERT_EQ(dests.size(), 1u);
    const testing::ProgramRun table =
        testing::RunProgram("pdfinfo", "-dests " + testing::Quoted(pdf.string()), dir_);
    std::istringstream lines(table.out);
    int destPage = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("\"" + dests[0] + "\"") != std::string::npos) {
            destPage = std::atoi(line.c_str());
        }
    }
    EXPECT_EQ(destPage, scenePage);
}

TEST_F(PdfPaperTest, WithoutContentsTheOutlineHasADocumentEach) {
    Write(Bodies({"<p>one</p>", "<p>two</p>", "<p>three</p>"}));
    const auto json = QpdfJson(Export({}, 3));
    ASSERT_TRUE(json);
    const auto& outlines = (*json)["outlines"].array;
    ASSERT_EQ(outlines.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(outlines[i]["destpageposfrom1"].number, static_cast<double>(i + 1));
    }
}

TEST_F(PdfPaperTest, TheBooksMetadataGoesIntoTheFile) {
    ExportBook book;
    book.bodies = {"<p>x</p>"};
    book.metadata =
        "<dc:title>A Title</dc:title><dc:creator>Ann One</dc:creator>"
        "<dc:creator>Bo Two</dc:creator>"
        "<dc:description>&lt;p&gt;About &lt;i&gt;it&lt;/i&gt;.&lt;/p&gt;"
        "&lt;p&gt;More.&lt;/p&gt;</dc:description>";
    Write(book);
    const auto pdf = Export({}, 1);
    const testing::ProgramRun info =
        testing::RunProgram("pdfinfo", testing::Quoted(pdf.string()), dir_);
    for (const char* line :
         {"Title:           A Title\n", "Author:          Ann One, Bo Two\n",
          "Subject:         About it. More.\n", "Keywords:        language: en\n"}) {
        EXPECT_NE(info.out.find(line), std::string::npos) << line << info.out;
    }
    EXPECT_NE(info.out.find("CreationDate:"), std::string::npos);
}

// The text of the PDF is the book's, in every script: the glyphs carry their characters, and
// the invisible soft hyphen and word joiner do not come out.
TEST_F(PdfPaperTest, TextCopiesAsTheBookWroteIt) {
    const struct {
        const char* script;
        std::string written;  // as in the book
        std::string read;     // as copied out
    } cases[] = {
        {"Latin", "Gro\u00DFe caf\u00E9 na\u00EFve", "Gro\u00DFe caf\u00E9 na\u00EFve"},
        {"Arabic lam-alef", "\u0627\u0644\u0622\u0646", "\u0627\u0644\u0622\u0646"},
        {"Hebrew", "\u05E9\u05DC\u05D5\u05DD", "\u05E9\u05DC\u05D5\u05DD"},
        {"Greek", "\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1",
         "\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1"},
        {"Cyrillic", "\u041F\u0440\u0438\u0432\u0435\u0442",
         "\u041F\u0440\u0438\u0432\u0435\u0442"},
        {"Devanagari", "\u0928\u092E\u0938\u094D\u0924\u0947",
         "\u0928\u092E\u0938\u094D\u0924\u0947"},
        {"Chinese", "\u4F60\u597D\u4E16\u754C", "\u4F60\u597D\u4E16\u754C"},
        {"soft hyphen and word joiner", "ex\u00ADtra\u2060ordinary", "extraordinary"},
    };
    std::vector<std::string> bodies;
    for (const auto& c : cases) {
        bodies.push_back("<p>" + c.written + "</p>");
    }
    Write(Bodies(bodies));
    const auto pdf = Export({}, static_cast<int>(bodies.size()));
    const auto pages = PageTexts(pdf);
    ASSERT_GE(pages.size(), bodies.size());
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        EXPECT_EQ(FirstLine(pages[i]), cases[i].read) << cases[i].script;
        EXPECT_EQ(pages[i].find("\u00AD"), std::string::npos) << cases[i].script;
        EXPECT_EQ(pages[i].find("\u2060"), std::string::npos) << cases[i].script;
    }
}

}  // namespace
}  // namespace quirelle
