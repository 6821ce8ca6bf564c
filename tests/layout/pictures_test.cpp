#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "support/book_fixture.hpp"
#include "support/layout_fixture.hpp"
#include "support/picture_fixture.hpp"
#include "support/scoped_environment.hpp"

namespace quirelle::testing {
namespace {

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};

// A book holding pictures of every kind, each of a known size, that pages laid out in the tests
// refer to.
class PicturesTest : public LayoutFixture {
  protected:
    void SetUp() override {
        const std::string png = PngOfColor(400, 300, kRed);
        const std::vector<Member> pictures = {
            {"OEBPS/Images/plate.png", png},
            {"OEBPS/Images/wide.png", PngOfColor(1000, 200, kBlue)},
            {"OEBPS/Images/photo.jpg", JpegOfColor(80, 60, kBlue)},
            {"OEBPS/Images/drawing.svg", SvgOfColor(200, 100, "#00ff00")},
            {"OEBPS/Images/veil.png", PngOfColor(50, 50, {255, 255, 255, 128})},
            {"OEBPS/Images/stripes.png", PngOfColumns({kRed, kBlue}, 1)},
            {"OEBPS/Images/cut.png", png.substr(0, 60)},
            {"OEBPS/Images/broken.png", "no picture at all"},
            {"OEBPS/Images/giant.png", PngClaimingSize(100000, 100000)},
        };
        const auto book = dir_ / "pictures.epub";
        WriteArchive(
            book,
            BookMembers(PackageDocument(
                            R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)",
                            R"(<itemref idref="c"/>)"),
                        {{"OEBPS/c.xhtml", XhtmlPage("<p>x</p>")},
                         pictures[0],
                         pictures[1],
                         pictures[2],
                         pictures[3],
                         pictures[4],
                         pictures[5],
                         pictures[6],
                         pictures[7],
                         pictures[8]}));
        ASSERT_TRUE(view_.OpenBook(book.string()));
    }

    // Lays the body out at 500 pixels wide and draws it.
    void RenderBody(const std::string& body, const std::string& head = "", int height = 2000) {
        Render(Page(body, head), 500, height);
    }

    // The picture placed `index`th on the page drawn last (or, before any, the page the view
    // shows); one of no size where there is none, as a picture that cannot be had leaves none.
    PlacedPicture Record(int index) {
        const PageLayout* page = RenderedPage();
        if (page == nullptr && data().shown) {
            page = &data().shown->page;
        }
        if (page == nullptr || static_cast<std::size_t>(index) >= page->pictures.size()) {
            return {};
        }
        return page->pictures[static_cast<std::size_t>(index)];
    }

    // The pixel at (x, y) of the view, which shows the page from its row scrollY; 0 outside it.
    std::uint32_t Pixel(double x, double y) {
        cairo_surface_flush(surface_.get());
        if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface_.get()) ||
            y >= cairo_image_surface_get_height(surface_.get())) {
            ADD_FAILURE() << "(" << x << ", " << y << ") lies outside the view";
            return 0;
        }
        const unsigned char* row =
            cairo_image_surface_get_data(surface_.get()) +
            static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(surface_.get());
        return reinterpret_cast<const std::uint32_t*>(row)[static_cast<int>(x)];
    }
    std::uint32_t PixelInside(const PlacedPicture& record) {
        return Pixel(record.x + record.width / 2, record.y - data().scrollY + record.height / 2);
    }

    double TextWidth() { return 500 - 2.0 * settings().HorizontalMarginValue(); }

    TempDir dir_;
};

TEST_F(PicturesTest, SizeComesFromTheAttributesOrThePicture) {
    const double text = TextWidth();
    ASSERT_GE(text, 400.0) << "the cases assume the plate fits the text";
    struct Case {
        const char* img;
        double width, height;
    };
    const Case cases[] = {
        {R"(<img src="../Images/plate.png"/>)", 400, 300},
        // One length given: the other follows the picture's shape.
        {R"(<img src="../Images/plate.png" width="120"/>)", 120, 90},
        {R"(<img src="../Images/plate.png" width="120px" height="30px"/>)", 120, 30},
        {R"(<img src="../Images/photo.jpg"/>)", 80, 60},
        // An SVG file is measured as SVG, whatever its name.
        {R"(<img src="../Images/drawing.svg"/>)", 200, 100},
        // Wider than the text: shrunk to its width, keeping the shape.
        {R"(<img src="../Images/wide.png"/>)", text, 200 * text / 1000},
        {R"(<img src="../Images/plate.png" width="920" height="100"/>)", text, 100 * text / 920},
        // Pictures that cannot be had keep only the place their attributes give.
        // A cut file still tells its size; its place stays empty (see below).
        {R"(<img src="../Images/cut.png"/>)", 400, 300},
        {R"(<img src="../Images/broken.png" width="50" height="40"/>)", 50, 40},
        {R"(<img src="../Images/absent.png" width="30" height="20"/>)", 30, 20},
        // Lengths that are none are let go, as browsers do.
        {R"(<img src="../Images/plate.png" width="-5" height="nonsense"/>)", 400, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.img);
        RenderBody(std::string("<p>") + c.img + "</p>");
        EXPECT_NEAR(Record(0).width, c.width, 1e-9);
        EXPECT_NEAR(Record(0).height, c.height, 1e-9);
    }
}

TEST_F(PicturesTest, APictureThatCannotBeHadTakesNoRoom) {
    for (const char* img :
         {R"(<img src="../Images/broken.png"/>)", R"(<img src="../Images/giant.png"/>)"}) {
        SCOPED_TRACE(img);
        RenderBody(std::string("<p>") + img + "</p>");
        EXPECT_EQ(Record(0).width, 0.0);
        EXPECT_EQ(Record(0).height, 0.0);
    }
}

TEST_F(PicturesTest, APercentageWidthIsOfTheText) {
    RenderBody(R"(<p><img src="../Images/plate.png" width="50%"/></p>)");
    EXPECT_NEAR(Record(0).width, TextWidth() / 2, 1e-9);
    EXPECT_NEAR(Record(0).height, 300 * TextWidth() / 2 / 400, 1e-9);
}

TEST_F(PicturesTest, AlignmentPlacesThePictureAcrossThePage) {
    const double margin = settings().HorizontalMarginValue();
    struct Case {
        const char* align;
        double x;
    };
    const Case cases[] = {
        {"left", margin},
        {"center", (500 - 80) / 2.0},
        {"right", 500 - margin - 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.align);
        RenderBody(R"(<p><img src="../Images/photo.jpg"/></p>)",
                   std::string("<style>p { text-align: ") + c.align + " }</style>");
        EXPECT_NEAR(Record(0).x, c.x, 1.0 / 64);
        EXPECT_GE(Record(0).y, settings().VerticalMarginValue());
        const std::uint32_t blue = PixelInside(Record(0));
        EXPECT_LE((blue >> 16) & 0xFF, 8u);
        EXPECT_GE(blue & 0xFF, 247u);
    }
}

TEST_F(PicturesTest, PicturesAreDrawnInTheirPlaces) {
    RenderBody(
        R"(<p><img src="../Images/plate.png"/></p><p><img src="../Images/drawing.svg"/></p>)");
    EXPECT_EQ(PixelInside(Record(0)), 0xFFFF0000u);
    EXPECT_EQ(PixelInside(Record(1)), 0xFF00FF00u);
    // Beside the picture, and where a picture cut short was placed, the page shows.
    const auto page = [&] { return Pixel(Record(0).x + Record(0).width + 20, Record(0).y + 20); };
    EXPECT_NE(page(), 0xFFFF0000u);
    RenderBody(R"(<img src="../Images/cut.png"/>)");
    EXPECT_EQ(PixelInside(Record(0)), page());
    // A transparent picture lets the page show through: half white over a blue page is light
    // blue, never the grey a straight-alpha picture would leave.
    RenderBody(R"(<img src="../Images/veil.png"/>)",
               "<style>body { background-color: #0000ff }</style>");
    const std::uint32_t veiled = PixelInside(Record(0));
    EXPECT_NEAR(static_cast<int>((veiled >> 16) & 0xFF), 128, 2);
    EXPECT_NEAR(static_cast<int>(veiled & 0xFF), 255, 2);
}

TEST_F(PicturesTest, InlineSvgIsDrawnAndItsTextIsNotPageText) {
    RenderBody(R"(<p>Before</p><svg xmlns="http://www.w3.org/2000/svg" width="100" height="50">)"
               R"(<title>Hidden title</title><rect width="100" height="50" fill="#00ff00"/>)"
               R"(<text x="5" y="40" fill="#00ff00">Hidden words</text></svg><p>After</p>)");
    const std::string text = DrawnText();
    EXPECT_NE(text.find("Before"), std::string::npos);
    EXPECT_NE(text.find("After"), std::string::npos);
    EXPECT_EQ(text.find("Hidden"), std::string::npos) << text;
    EXPECT_EQ(Record(0).kind, PlacedPicture::Kind::Svg);
    EXPECT_EQ(Record(0).width, 100);
    EXPECT_EQ(PixelInside(Record(0)), 0xFF00FF00u);
}

TEST_F(PicturesTest, EveryPictureIsDrawnWhereverItLies) {
    // 150 pictures, then one far down a page taller than 30000 pixels.
    std::string body;
    for (int i = 0; i < 150; ++i) {
        body += R"(<img src="../Images/photo.jpg" width="8" height="8"/>)";
    }
    body += R"(<p><img src="../Images/absent.png" width="10" height="40000"/></p>)"
            R"(<p><img src="../Images/plate.png"/></p>)";
    RenderBody(body);
    ASSERT_EQ(RenderedPage()->pictures.size(), 152u);
    const PlacedPicture last = Record(151);
    EXPECT_EQ(last.width, 400);
    ASSERT_GT(last.y, 40000);
    // Scrolled to it, it shows.
    data().scrollY = last.y - 100;
    RenderBody(body);
    EXPECT_EQ(PixelInside(Record(151)), 0xFFFF0000u);
}

TEST_F(PicturesTest, BackgroundPictureIsStretchedOrTiled) {
    struct Case {
        const char* repeat;
        std::uint32_t at1, at2, at400;
    };
    // The picture is a red column beside a blue one.
    const Case cases[] = {
        {"no-repeat", 0xFFFF0000u, 0xFFFF0000u, 0xFF0000FFu},  // stretched over the page
        {"repeat", 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u},     // tiled: red at every even x
        {"", 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u},
        {"round", 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.repeat);
        RenderBody("<p>x</p>",
                   std::string("<style>body { background-image: url(\"../Images/stripes.png\"); "
                               "background-repeat: ") +
                       c.repeat + " }</style>");
        EXPECT_EQ(Pixel(0, 300), c.at1);
        EXPECT_EQ(Pixel(100, 300), c.at2);
        EXPECT_EQ(Pixel(400, 300), c.at400);
        if (std::string(c.repeat) != "no-repeat") {
            EXPECT_EQ(Pixel(1, 300), 0xFF0000FFu);
            EXPECT_EQ(Pixel(401, 300), 0xFF0000FFu);
        }
    }
    // A picture the book does not hold leaves the colour alone.
    RenderBody(
        "<p>x</p>",
        "<style>body { background-color: #00ff00; background-image: url(nowhere.png) }</style>");
    EXPECT_EQ(Pixel(400, 300), 0xFF00FF00u);
}

TEST_F(PicturesTest, ReadingOrderPicturesAreShownOnAPageOfTheirOwn) {
    const auto book = dir_ / "plates.epub";
    WriteArchive(
        book, BookMembers(
                  PackageDocument(R"(<item id="p" href="Images/wide.png" media-type="image/png"/>)",
                                  R"(<itemref idref="p"/>)"),
                  {{"OEBPS/Images/wide.png", PngOfColor(1000, 200, kBlue)}}));
    data().areaWidth = 500;
    data().areaHeight = 400;
    ASSERT_TRUE(view_.OpenBook(book.string()));
    const PlacedPicture plate = Record(0);
    EXPECT_TRUE(plate.source.ends_with("wide.png")) << plate.source;
    EXPECT_DOUBLE_EQ(plate.width, TextWidth());
    EXPECT_DOUBLE_EQ(plate.height, 200 * TextWidth() / 1000);
}

}  // namespace
}  // namespace quirelle::testing
