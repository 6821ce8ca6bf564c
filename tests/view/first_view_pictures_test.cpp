// Pictures of a page's first view are decoded while the page is measured and the text drawn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "support/picture_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

using testing::Rgba;

// A book whose first page shows pictures "p0.png"... in the given colours, more of them than
// are decoded ahead at once.
std::filesystem::path PictureBook(const testing::TempDir& dir, const std::string& name,
                                  const std::vector<Rgba>& colours) {
    std::string manifest = R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)";
    std::string body;
    std::vector<testing::Member> members;
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const std::string file = "p" + std::to_string(i) + ".png";
        manifest += "<item id=\"p" + std::to_string(i) + "\" href=\"" + file +
                    "\" media-type=\"image/png\"/>";
        body += "<img src=\"" + file + "\" width=\"60\" height=\"40\"/>";
        // Drawn smaller than they are, so that the copies decoded are shrunk ones.
        members.push_back({"OEBPS/" + file, testing::PngOfColor(120, 80, colours[i])});
    }
    members.push_back({"OEBPS/c.xhtml", testing::XhtmlPage("<p>" + body + "</p>")});
    const auto path = dir / name;
    testing::WriteArchive(
        path, testing::BookMembers(testing::PackageDocument(manifest, R"(<itemref idref="c"/>)"),
                                   members));
    return path;
}

// The colour in the middle of each picture the view draws.
std::vector<std::uint32_t> DrawnColours(DocumentView& view) {
    CairoSurface screen(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 800, 600));
    CairoContext cr(cairo_create(screen.get()));
    view.Draw(cr.get(), 800, 600);
    cairo_surface_flush(screen.get());
    std::vector<std::uint32_t> colours;
    if (!view.Data().shown) {
        ADD_FAILURE() << "nothing laid out";
        return colours;
    }
    for (const PlacedPicture& picture : view.Data().shown->page.pictures) {
        if (picture.kind != PlacedPicture::Kind::Raster) {
            continue;
        }
        const ViewScale& scale = view.Data().shownScale;
        const int x = static_cast<int>(scale.left + scale.ToDevice(picture.x + picture.width / 2));
        const int y = static_cast<int>(scale.ToDevice(picture.y + picture.height / 2));
        if (x < 0 || x >= 800 || y < 0 || y >= 600) {
            ADD_FAILURE() << "a picture outside the first view, at " << x << ", " << y;
            continue;
        }
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            cairo_image_surface_get_data(screen.get()) +
            static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(screen.get()));
        colours.push_back(row[x]);
    }
    return colours;
}

TEST(FirstViewPicturesTest, EachPictureShowsItsOwnPixelsEvenWhenTheBookChangesMeanwhile) {
    testing::TempDir dir;
    const std::vector<Rgba> first = {{255, 0, 0, 255},   {0, 255, 0, 255},   {0, 0, 255, 255},
                                     {255, 255, 0, 255}, {0, 255, 255, 255}, {255, 0, 255, 255}};
    const std::vector<Rgba> second = {{10, 20, 30, 255},    {40, 50, 60, 255},
                                      {70, 80, 90, 255},    {100, 110, 120, 255},
                                      {130, 140, 150, 255}, {160, 170, 180, 255}};
    const auto word = [](const Rgba& c) {
        return 0xFF000000u | std::uint32_t{c.red} << 16 | std::uint32_t{c.green} << 8 | c.blue;
    };
    std::vector<std::uint32_t> firstWords, secondWords;
    for (std::size_t i = 0; i < first.size(); ++i) {
        firstWords.push_back(word(first[i]));
        secondWords.push_back(word(second[i]));
    }
    HeadlessFrontend frontend;
    DocumentView view(frontend);
    const auto firstBook = PictureBook(dir, "first.epub", first);
    const auto secondBook = PictureBook(dir, "second.epub", second);
    ASSERT_TRUE(view.OpenBook(firstBook.string()));
    EXPECT_EQ(DrawnColours(view), firstWords);

    // Pictures of the same names, on their way for the first book, never show in the second.
    ASSERT_TRUE(view.OpenBook(firstBook.string()));
    ASSERT_TRUE(view.OpenBook(secondBook.string()));
    EXPECT_EQ(DrawnColours(view), secondWords);
}

}  // namespace
}  // namespace quirelle
