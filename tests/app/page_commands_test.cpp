// The program's --render-png and --export-pdf modes, run as a user would run them.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <utility>

#include "platform/xml_parser.hpp"
#include "support/book_fixture.hpp"
#include "support/program_run.hpp"
#include "support/scoped_environment.hpp"

namespace quirelle {
namespace {

using testing::ProgramRun;
using testing::Quoted;

ProgramRun RunQuirelle(const std::string& arguments, const testing::TempDir& dir) {
    return testing::RunProgram(QUIRELLE_PROGRAM, arguments, dir);
}

// The words a reader sees in an XHTML document: the text of its body, split at white space.
class BodyWords : public XmlParser {
  public:
    std::vector<std::string> words;

  protected:
    void StartElement(std::string_view name, const Attributes&) override {
        if (name == "body")
            inBody_ = true;
        // An audio element's content is what readers without audio show instead.
        if (name == "style" || name == "script" || name == "title" || name == "audio")
            ++hidden_;
        Boundary(name);
    }
    void EndElement(std::string_view name) override {
        Boundary(name);
        if (name == "style" || name == "script" || name == "title" || name == "audio")
            --hidden_;
    }
    void CharacterData(std::string_view text) override {
        if (inBody_ && hidden_ == 0)
            pending_.append(text);
    }

  private:
    // Words run across inline elements ("<b>do</b>ne" is one word); blocks, cells and line
    // breaks part them.
    void Boundary(std::string_view name) {
        static const std::set<std::string_view> inline_ = {"a", "em",   "strong", "i",   "b",
                                                           "u", "span", "code",   "font"};
        if (!inline_.count(name)) {
            pending_ += ' ';
        }
        Split();
    }
    void Split() {
        std::string_view rest = pending_;
        while (!rest.empty() && !std::isspace(static_cast<unsigned char>(rest.back()))) {
            rest.remove_suffix(1);
        }
        std::istringstream stream{std::string(rest)};
        for (std::string word; stream >> word;) {
            words.push_back(word);
        }
        pending_.erase(0, rest.size());
    }
    bool inBody_ = false;
    int hidden_ = 0;
    std::string pending_;
};

TEST(ExportCommandTest, EveryWordOfEveryChapterIsInThePdfWhole) {
    testing::TempDir dir;
    const auto pdf = dir / "demo.pdf";
    const ProgramRun run =
        RunQuirelle("--export-pdf " + Quoted(pdf.string()) + " " + Quoted(DEMO_BOOK), dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Export page as PDF... 6/6"), std::string::npos) << run.err;

    const ProgramRun text = testing::RunProgram(
        "pdftotext", "-raw " + Quoted(pdf.string()) + " " + Quoted((dir / "demo.txt").string()),
        dir);
    ASSERT_EQ(text.status, 0) << text.err;
    const std::string pdfText = testing::ReadFile(dir / "demo.txt");
    std::set<std::string> pdfWords;
    std::istringstream stream(pdfText);
    for (std::string word; stream >> word;) {
        pdfWords.insert(word);
    }
    // Letters set apart by letter-spacing are read back one by one ("C h a p t e r").
    const auto spacedOut = [](const std::string& word) {
        std::string spaced;
        for (const char c : word) {
            if (!spaced.empty() && (static_cast<unsigned char>(c) & 0xC0) != 0x80) {
                spaced += ' ';
            }
            spaced += c;
        }
        return spaced;
    };

    std::size_t checked = 0;
    for (int chapter = 1; chapter <= 5; ++chapter) {
        const std::string source =
            std::string(DEMO_SOURCES) + "/OEBPS/Text/chapter" + std::to_string(chapter) + ".xhtml";
        BodyWords words;
        ASSERT_TRUE(words.Parse(testing::ReadFile(source))) << source;
        for (const std::string& word : words.words) {
            EXPECT_TRUE(pdfWords.count(word) || pdfText.find(spacedOut(word)) != std::string::npos)
                << "chapter " << chapter << ": " << word;
            ++checked;
        }
    }
    EXPECT_GT(checked, 3000u);
}

TEST(ExportCommandTest, ARangeGivesOnePagePerDocument) {
    testing::TempDir dir;
    const auto pdf = dir / "range.pdf";
    const ProgramRun run = RunQuirelle(
        "--export-pdf " + Quoted(pdf.string()) + " --from 2 --to 3 " + Quoted(DEMO_BOOK), dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const ProgramRun info = testing::RunProgram("pdfinfo", Quoted(pdf.string()), dir);
    EXPECT_NE(info.out.find("Pages:           2"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Page size:       1000 x"), std::string::npos) << info.out;

    const ProgramRun outside =
        RunQuirelle("--export-pdf " + Quoted(pdf.string()) + " --to 99 " + Quoted(DEMO_BOOK), dir);
    EXPECT_EQ(outside.status, 1);
    EXPECT_NE(outside.err.find("outside"), std::string::npos) << outside.err;
}

TEST(ExportCommandTest, PageSizeAndPageNumbersAreChosenOnTheCommandLine) {
    testing::TempDir dir;
    const auto pdf = dir / "paper.pdf";
    const struct {
        const char* options;
        const char* size;  // as pdfinfo says it; nothing when the options are refused
        bool numbered;
    } cases[] = {
        {"--page-size a5", "419.528 x 595.276 pts", true},
        {"--page-size letter --page-numbers off", "612 x 792 pts", false},
        {"--page-size 100mmx150mm", "283.465 x 425.197 pts", true},
        {"--page-size book --page-numbers on", nullptr, true},
        {"--page-size a3", nullptr, false},
        {"--page-numbers maybe", nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        std::filesystem::remove(pdf);
        const ProgramRun run =
            RunQuirelle("--export-pdf " + Quoted(pdf.string()) + " --from 1 --to 1 " + c.options +
                            " " + Quoted(DEMO_BOOK),
                        dir);
        const bool refused = c.size == nullptr && !c.numbered;
        ASSERT_EQ(run.status, refused ? 1 : 0) << run.err;
        if (refused) {
            EXPECT_FALSE(std::filesystem::exists(pdf));
            continue;
        }
        const ProgramRun info = testing::RunProgram("pdfinfo", Quoted(pdf.string()), dir);
        if (c.size != nullptr) {
            EXPECT_NE(info.out.find(std::string("Page size:       ") + c.size), std::string::npos)
                << info.out;
        }
        // The number of the first page stands alone on the last line of its text.
        const ProgramRun text =
            testing::RunProgram("pdftotext", "-l 1 " + Quoted(pdf.string()) + " -", dir);
        std::string last;
        std::istringstream lines(text.out);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line != "\f") {
                last = line;
            }
        }
        EXPECT_EQ(last == "1", c.numbered) << last;
    }
}

TEST(RenderCommandTest, WritesWhatTheViewShows) {
    testing::TempDir dir;
    const auto png = dir / "page.png";
    const ProgramRun run =
        RunQuirelle("--render-png " + Quoted(png.string()) +
                        " --page 1 --width 640 --height 300 --scroll 40 " + Quoted(DEMO_BOOK),
                    dir);
    ASSERT_EQ(run.status, 0) << run.err;
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(image), 640);
    EXPECT_EQ(cairo_image_surface_get_height(image), 300);
    // Text was drawn: some pixels are dark.
    cairo_surface_flush(image);
    const unsigned char* pixels = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    int dark = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 640; ++x) {
            dark += pixels[y * stride + x * 4 + 1] < 100;
        }
    }
    cairo_surface_destroy(image);
    EXPECT_GT(dark, 1000);

    for (const char* bad : {"--page 99", "--width 0", "--height x", "--scroll"}) {
        SCOPED_TRACE(bad);
        const ProgramRun refused = RunQuirelle(
            "--render-png " + Quoted(png.string()) + " " + bad + " " + Quoted(DEMO_BOOK), dir);
        EXPECT_EQ(refused.status, 1);
        EXPECT_FALSE(refused.err.empty());
    }
}

// The dark pixels' bounding box of a rendered PNG: its width and height.
std::pair<int, int> InkExtent(const std::filesystem::path& png) {
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    EXPECT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    cairo_surface_flush(image);
    const unsigned char* pixels = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
    for (int y = 0; y < cairo_image_surface_get_height(image); ++y) {
        for (int x = 0; x < cairo_image_surface_get_width(image); ++x) {
            if (pixels[y * stride + x * 4 + 1] < 100) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    cairo_surface_destroy(image);
    return {right - left + 1, bottom - top + 1};
}

// --setting zoom=150 draws the same line of text half as large again, not cut off.
TEST(RenderCommandTest, ZoomDrawsLargerText) {
    testing::TempDir dir;
    const auto book = dir / "book.epub";
    testing::WriteArchive(
        book, testing::BookMembers(
                  testing::PackageDocument(
                      R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>)",
                      R"(<itemref idref="a"/>)"),
                  {{"OEBPS/a.xhtml", testing::XhtmlPage("<p>Quite a short line</p>")}}));
    const auto png = dir / "page.png";
    const auto render = [&](const std::string& zoom) {
        const ProgramRun run = RunQuirelle("--render-png " + Quoted(png.string()) +
                                               " --width 600 --height 300 --setting zoom=" + zoom +
                                               " " + Quoted(book.string()),
                                           dir);
        EXPECT_EQ(run.status, 0) << run.err;
        return InkExtent(png);
    };
    const auto [width, height] = render("100");
    const auto [zoomedWidth, zoomedHeight] = render("150");
    ASSERT_GT(width, 20);
    EXPECT_NEAR(zoomedWidth, 1.5 * width, 0.1 * width);
    EXPECT_NEAR(zoomedHeight, 1.5 * height, 0.15 * height + 2);
    const ProgramRun refused = RunQuirelle(
        "--render-png " + Quoted(png.string()) + " --setting zoom=400 " + Quoted(book.string()),
        dir);
    EXPECT_EQ(refused.status, 1) << "a zoom outside 50..300 is refused";
}

// --goto draws the view after a jump: the target's green block at the top of the picture.
TEST(RenderCommandTest, GotoDrawsTheViewAfterTheJump) {
    testing::TempDir dir;
    std::string paragraphs;
    for (int i = 0; i < 60; ++i) {
        paragraphs += "<p>Paragraph " + std::to_string(i) + "</p>";
    }
    const std::string manifest = R"(
        <item id="a" href="Text/a.xhtml" media-type="application/xhtml+xml"/>
        <item id="b" href="Text/b.xhtml" media-type="application/xhtml+xml"/>)";
    const auto book = dir / "book.epub";
    testing::WriteArchive(
        book, testing::BookMembers(
                  testing::PackageDocument(manifest, R"(<itemref idref="a"/><itemref idref="b"/>)"),
                  {{"OEBPS/Text/a.xhtml", testing::XhtmlPage("<p>A</p>")},
                   {"OEBPS/Text/b.xhtml",
                    testing::XhtmlPage(paragraphs +
                                       R"(<div id="there" style="background-color: #00ff00;
                                    height: 400px"></div>)" +
                                       paragraphs)}}));
    const auto png = dir / "page.png";
    const auto greenAtTop = [&](const std::string& options) {
        const ProgramRun run =
            RunQuirelle("--render-png " + Quoted(png.string()) + " --width 300 --height 200 " +
                            options + " " + Quoted(book.string()),
                        dir);
        EXPECT_EQ(run.status, 0) << run.err;
        cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
        EXPECT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
        cairo_surface_flush(image);
        const unsigned char* pixel = cairo_image_surface_get_data(image) +
                                     2 * cairo_image_surface_get_stride(image) + 150 * 4;
        const bool green = pixel[1] == 0xFF && pixel[0] == 0 && pixel[2] == 0;
        cairo_surface_destroy(image);
        return green;
    };
    EXPECT_FALSE(greenAtTop("--page 1"));
    EXPECT_TRUE(greenAtTop("--goto b.xhtml#there"));
    EXPECT_TRUE(greenAtTop("--page 1 --goto '#there'"));

    const ProgramRun refused = RunQuirelle("--info --goto b.xhtml " + Quoted(book.string()), dir);
    EXPECT_EQ(refused.status, 1) << "--goto goes only with --render-png";
}

// A document that cannot be read is an error, not a picture of the document before it.
TEST(RenderCommandTest, ADocumentThatCannotBeReadIsAnError) {
    testing::TempDir dir;
    const auto book = dir / "book.epub";
    testing::WriteArchive(
        book, testing::BookMembers(
                  testing::PackageDocument(
                      R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>)"
                      R"(<item id="b" href="b.xhtml" media-type="application/xhtml+xml"/>)",
                      R"(<itemref idref="a"/><itemref idref="b"/>)"),
                  {{"OEBPS/a.xhtml", testing::XhtmlPage("<p>Readable</p>")},
                   {"OEBPS/b.xhtml", testing::XhtmlPage("<p>Damaged</p>")}}));
    testing::DamageMember(book, "OEBPS/b.xhtml", testing::Damage::UnsupportedMethod);
    const auto png = dir / "page.png";
    const ProgramRun first =
        RunQuirelle("--render-png " + Quoted(png.string()) + " " + Quoted(book.string()), dir);
    EXPECT_EQ(first.status, 0) << first.err;
    std::filesystem::remove(png);
    const ProgramRun second = RunQuirelle(
        "--render-png " + Quoted(png.string()) + " --page 1 " + Quoted(book.string()), dir);
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find("document 1 of the book could not be read"), std::string::npos)
        << second.err;
    EXPECT_FALSE(std::filesystem::exists(png));
}

// A user who switches the style dump on finds, after one page is drawn, the rules of the
// sheets the page links in the order it links them, and then those of its style element.
TEST(RenderCommandTest, TheCssDumpListsTheSheetsThenThePagesStyleElement) {
    testing::TempDir dir;
    const testing::ScopedVariable noRamDir("QUIRELLE_RAM_DIR", std::nullopt);
    std::filesystem::create_directories(dir / "runtime");
    std::filesystem::create_directories(dir / "config" / "quirelle");
    testing::WriteFile(dir / "config" / "quirelle" / "Quirelle.info", "debug_css=yes\n");
    const std::string manifest =
        R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)"
        R"(<item id="b" href="b.css" media-type="text/css"/>)"
        R"(<item id="a" href="a.css" media-type="text/css"/>)";
    const auto book = dir / "styled.epub";
    testing::WriteArchive(
        book, testing::BookMembers(
                  testing::PackageDocument(manifest, R"(<itemref idref="c"/>)"),
                  {{"OEBPS/c.xhtml",
                    "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><head>"
                    "<link rel=\"stylesheet\" href=\"b.css\"/>"
                    "<link rel=\"stylesheet\" href=\"a.css\"/>"
                    "<style>h1 { color: navy }</style></head><body><h1>T</h1></body></html>"},
                   {"OEBPS/a.css", "p { color: red }"},
                   {"OEBPS/b.css", "h2 { text-align: center } .x { color: blue }"}}));
    const ProgramRun run = RunQuirelle(
        "--render-png " + Quoted((dir / "out.png").string()) + " --page 0 " + Quoted(book.string()),
        dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string dump = testing::ReadFile(dir / "runtime" / "debug_css.txt");
    const std::size_t last = dump.rfind("------ Styles -------\n");
    ASSERT_NE(last, std::string::npos) << dump;
    const std::string block = dump.substr(last);
    EXPECT_TRUE(
        block.starts_with("------ Styles -------\n"
                          "Element = h2  ---- Raw = text-align:center\n"
                          "Element = .x  ---- Raw = color:blue\n"
                          "Element = p  ---- Raw = color:red\n"
                          "Element = h1  ---- Raw = color:navy\n"))
        << block;
}

}  // namespace
}  // namespace quirelle
