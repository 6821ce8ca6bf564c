// The "css" setting given on the command line switches the book's style sheets off for
// --render-png and --export-pdf, as the settings window's switch does for the window.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/book_fixture.hpp"
#include "support/program_run.hpp"

namespace quirelle {
namespace {

using testing::ProgramRun;
using testing::Quoted;

const char* const kPage = "<p>Styled words</p><p>More of them</p>";

// The page with or without a sheet that changes its colour and size.
std::filesystem::path WriteBook(const testing::TempDir& dir, const std::string& name,
                                bool withSheet) {
    const auto book = dir / name;
    std::string manifest = R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>)";
    // Both pages link the sheet; only the styled book holds it.
    std::vector<testing::Member> members = {
        {"OEBPS/a.xhtml", testing::XhtmlPage(kPage, testing::SheetLink("s.css"))}};
    if (withSheet) {
        manifest += R"(<item id="s" href="s.css" media-type="text/css"/>)";
        members.push_back({"OEBPS/s.css", "p { color: #cc0000; font-size: 30px }\n"});
    }
    testing::WriteArchive(
        book, testing::BookMembers(testing::PackageDocument(manifest, R"(<itemref idref="a"/>)"),
                                   members));
    return book;
}

// The pixels of a PNG the program wrote; empty when it cannot be read.
std::vector<unsigned char> Pixels(const std::filesystem::path& png) {
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    std::vector<unsigned char> pixels;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(image);
        const unsigned char* data = cairo_image_surface_get_data(image);
        pixels.assign(data, data + cairo_image_surface_get_stride(image) *
                                       cairo_image_surface_get_height(image));
    }
    cairo_surface_destroy(image);
    return pixels;
}

class CssSettingTest : public ::testing::Test {
  protected:
    // Runs a mode on a book with the given css setting (none: the default) and gives what it
    // wrote: the PNG's pixels, or for a PDF the layout dump of its page.
    std::string RenderPng(const std::filesystem::path& book, const std::string& css) {
        const auto png = dir_ / "page.png";
        const ProgramRun run =
            Run("--render-png " + Quoted(png.string()) + " --width 400 --height 200" +
                Setting(css) + " " + Quoted(book.string()));
        const std::vector<unsigned char> pixels = Pixels(png);
        EXPECT_FALSE(pixels.empty());
        return std::string(pixels.begin(), pixels.end());
    }
    std::string ExportPdfLayout(const std::filesystem::path& book, const std::string& css) {
        const auto pdf = dir_ / "book.pdf";
        const auto dump = dir_ / "layout.jsonl";
        Run("--export-pdf " + Quoted(pdf.string()) + " --dump-layout " + Quoted(dump.string()) +
            Setting(css) + " " + Quoted(book.string()));
        return testing::ReadFile(dump);
    }

    testing::TempDir dir_;

  private:
    static std::string Setting(const std::string& css) {
        return css.empty() ? std::string() : " --setting css=" + css;
    }
    ProgramRun Run(const std::string& arguments) {
        ProgramRun run = testing::RunProgram(QUIRELLE_PROGRAM, arguments, dir_);
        EXPECT_EQ(run.status, 0) << arguments << "\n" << run.err;
        return run;
    }
};

TEST_F(CssSettingTest, OffDrawsThePageAsABookWithoutSheets) {
    const auto styled = WriteBook(dir_, "styled.epub", true);
    const auto plain = WriteBook(dir_, "plain.epub", false);
    const std::string plainPage = RenderPng(plain, "");
    const std::string styledOn = RenderPng(styled, "1");
    const std::string styledOff = RenderPng(styled, "0");
    EXPECT_NE(styledOn, plainPage) << "the sheet changes nothing: the test shows nothing";
    EXPECT_NE(styledOff, styledOn);
    EXPECT_EQ(styledOff, plainPage);
    // The default is on.
    EXPECT_EQ(RenderPng(styled, ""), styledOn);
}

TEST_F(CssSettingTest, OffExportsThePageAsABookWithoutSheets) {
    const auto styled = WriteBook(dir_, "styled.epub", true);
    const auto plain = WriteBook(dir_, "plain.epub", false);
    const std::string plainLayout = ExportPdfLayout(plain, "");
    const std::string styledOn = ExportPdfLayout(styled, "1");
    const std::string styledOff = ExportPdfLayout(styled, "0");
    EXPECT_NE(styledOn.find("#cc0000"), std::string::npos) << styledOn;
    EXPECT_EQ(styledOff, plainLayout);
}

}  // namespace
}  // namespace quirelle
