// The "theme" setting on the command line: --render-png paints the page and its text in the
// theme's colours but never a picture's (a clear one still shows the day's white under it);
// --export-pdf stays in the book's own colours.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "support/book_fixture.hpp"
#include "support/picture_fixture.hpp"
#include "support/program_run.hpp"

namespace quirelle {
namespace {

using testing::ProgramRun;
using testing::Quoted;

struct SurfaceDestroy {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDestroy>;

constexpr std::uint32_t kNavy = 0xff000080;
constexpr std::uint32_t kMaroon = 0xff800000;

class ThemeCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Text, then a PNG and an SVG drawing, in colours no text or ground of any theme has.
        testing::WriteArchive(
            book_,
            testing::BookMembers(
                testing::PackageDocument(
                    R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>)"
                    R"(<item id="p" href="navy.png" media-type="image/png"/>)"
                    R"(<item id="s" href="maroon.svg" media-type="image/svg+xml"/>)"
                    R"(<item id="c" href="clear.png" media-type="image/png"/>)",
                    R"(<itemref idref="a"/>)"),
                {{"OEBPS/a.xhtml",
                  testing::XhtmlPage("<p>Words to read by night and by day</p>"
                                     R"(<p><img src="navy.png" width="60" height="60"/>)"
                                     R"( <img src="maroon.svg" width="60" height="60"/>)"
                                     R"( <img src="clear.png" width="60" height="60"/></p>)")},
                 {"OEBPS/clear.png", testing::PngOfColor(60, 60, {0, 0, 0, 0})},
                 {"OEBPS/navy.png", testing::PngOfColor(60, 60, {0, 0, 128, 255})},
                 {"OEBPS/maroon.svg", testing::SvgOfColor(60, 60, "#800000")}}));
    }

    Surface Render(const std::string& theme) {
        const auto png = dir_ / ("page-" + theme + ".png");
        const ProgramRun run = testing::RunProgram(
            QUIRELLE_PROGRAM,
            "--render-png " + Quoted(png.string()) +
                " --width 400 --height 300 --setting theme=" + theme + " " + Quoted(book_.string()),
            dir_);
        EXPECT_EQ(run.status, 0) << run.err;
        Surface surface(cairo_image_surface_create_from_png(png.c_str()));
        EXPECT_EQ(cairo_surface_status(surface.get()), CAIRO_STATUS_SUCCESS);
        return surface;
    }

    testing::TempDir dir_;
    std::filesystem::path book_ = dir_ / "book.epub";
};

double Luminance(std::uint32_t pixel) {
    return (0.2126 * ((pixel >> 16) & 0xff) + 0.7152 * ((pixel >> 8) & 0xff) +
            0.0722 * (pixel & 0xff)) /
           255.0;
}

TEST_F(ThemeCommandTest, PicturesKeepTheirPixelsWhileThePageAndTextChange) {
    const Surface day = Render("day");
    ASSERT_EQ(cairo_surface_status(day.get()), CAIRO_STATUS_SUCCESS);
    struct Case {
        const char* theme;
        std::uint32_t page;
        bool lightText;
    };
    const Case cases[] = {
        {"day", 0xffffffff, false},
        {"sepia", 0xfff4ecd8, false},
        {"night", 0xff1e1e1e, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.theme);
        const Surface shown = Render(c.theme);
        ASSERT_EQ(cairo_surface_status(shown.get()), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(testing::PixelAt(shown.get(), 399, 299), c.page);
        int picturePixels = 0;
        int lightTextPixels = 0;
        int whitePixels = 0;
        for (int y = 0; y < 300; ++y) {
            for (int x = 0; x < 400; ++x) {
                const std::uint32_t before = testing::PixelAt(day.get(), x, y);
                const std::uint32_t now = testing::PixelAt(shown.get(), x, y);
                if (before == kNavy || before == kMaroon) {
                    ++picturePixels;
                    ASSERT_EQ(now, before) << "picture pixel " << x << "," << y;
                } else if (Luminance(before) < 0.3 && Luminance(now) > 0.6) {
                    ++lightTextPixels;
                }
                whitePixels += now == 0xffffffff;
            }
        }
        // Both pictures, whole but for the edge pixels that blend with the page.
        EXPECT_GT(picturePixels, 2 * 58 * 58);
        EXPECT_EQ(lightTextPixels > 20, c.lightText) << lightTextPixels;
        // By Night a clear picture shows what is under it by Day: white, never the dark page.
        // Sepia's paper is light: a picture there shows the paper through.
        EXPECT_EQ(whitePixels >= 58 * 58, c.page != 0xfff4ecd8) << whitePixels;
    }
}

TEST_F(ThemeCommandTest, AnExportStaysInTheBooksOwnColours) {
    const auto day = dir_ / "day.pdf";
    const auto night = dir_ / "night.pdf";
    for (const auto& [pdf, theme] : {std::pair{day, "day"}, std::pair{night, "night"}}) {
        const ProgramRun run =
            testing::RunProgram(QUIRELLE_PROGRAM,
                                "--export-pdf " + Quoted(pdf.string()) +
                                    " --setting theme=" + theme + " " + Quoted(book_.string()),
                                dir_);
        ASSERT_EQ(run.status, 0) << run.err;
    }
    // The PDFs differ only in their creation dates, if at all: compare what they draw.
    auto drawn = [](std::string pdf) {
        const std::size_t info = pdf.find("/CreationDate");
        return info == std::string::npos ? pdf : pdf.substr(0, info);
    };
    EXPECT_EQ(drawn(testing::ReadFile(night)), drawn(testing::ReadFile(day)));
}

TEST_F(ThemeCommandTest, AnUnknownThemeIsRefused) {
    const ProgramRun run = testing::RunProgram(
        QUIRELLE_PROGRAM, "--info --setting theme=dusk " + Quoted(book_.string()), dir_);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("theme"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quirelle
