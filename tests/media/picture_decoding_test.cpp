#include <gtest/gtest.h>

#include <string>

#include "media/raster_picture.hpp"
#include "media/svg_picture.hpp"
#include "support/picture_fixture.hpp"

namespace quirelle {
namespace {

using testing::JpegOfColor;
using testing::PixelAt;
using testing::PngClaimingSize;
using testing::PngOfColor;
using testing::Rgba;
using testing::SvgOfColor;
using testing::WebpOfColor;

TEST(RasterPictureTest, PixelsArePremultipliedInNativeOrder) {
    struct Case {
        Rgba straight;
        std::uint32_t premultiplied;
    };
    const Case cases[] = {
        {{255, 128, 0, 255}, 0xFFFF8000},    // opaque: unchanged
        {{255, 255, 255, 128}, 0x80808080},  // half-transparent white
        {{255, 0, 0, 64}, 0x40400000},
        {{12, 200, 99, 0}, 0x00000000},  // fully transparent: no colour left at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.premultiplied);
        EXPECT_EQ(
            PremultipliedPixel(c.straight.red, c.straight.green, c.straight.blue, c.straight.alpha),
            c.premultiplied);
        // The same through a real file: a transparent PNG must not come out with dark fringes.
        const CairoSurface decoded = DecodeRasterPicture(PngOfColor(3, 2, c.straight));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(PixelAt(decoded.get(), 2, 1), c.premultiplied);
    }
}

TEST(RasterPictureTest, FormatsAreMeasuredFromTheHeaderAndDecoded) {
    struct Case {
        const char* name;
        std::string data;
        PictureSize size;
    };
    const Case cases[] = {
        {"PNG", PngOfColor(40, 30, {0, 0, 255, 255}), {40, 30}},
        {"JPEG", JpegOfColor(64, 16, {0, 0, 255, 255}), {64, 16}},
        // Measured by its loader, not from a header read here.
        {"WebP", WebpOfColor(24, 40, {0, 0, 255, 255}), {24, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MeasureRasterPicture(c.data), c.size);
        const CairoSurface natural = DecodeRasterPicture(c.data);
        ASSERT_TRUE(natural);
        EXPECT_EQ(cairo_image_surface_get_width(natural.get()), c.size.width);
        EXPECT_EQ(cairo_image_surface_get_height(natural.get()), c.size.height);
        // Blue stays blue (JPEG within its rounding).
        const std::uint32_t pixel = PixelAt(natural.get(), 1, 1);
        EXPECT_EQ(pixel >> 24, 0xFFu);
        EXPECT_LE((pixel >> 16) & 0xFF, 8u);
        EXPECT_GE(pixel & 0xFF, 247u);
        // Decoded straight at the size it is drawn.
        const CairoSurface drawn = DecodeRasterPicture(c.data, PictureSize{10, 7});
        ASSERT_TRUE(drawn);
        EXPECT_EQ(cairo_image_surface_get_width(drawn.get()), 10);
        EXPECT_EQ(cairo_image_surface_get_height(drawn.get()), 7);
    }
    // The smallest GIF there is: one transparent pixel.
    const std::string gif(
        "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff\x21\xf9\x04\x01\x00"
        "\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b",
        43);
    EXPECT_EQ(MeasureRasterPicture(gif), (PictureSize{1, 1}));
    const CairoSurface gifPixels = DecodeRasterPicture(gif);
    ASSERT_TRUE(gifPixels);
    EXPECT_EQ(PixelAt(gifPixels.get(), 0, 0), 0u);
    EXPECT_TRUE(IsJpegData(JpegOfColor(2, 2, {})));
    EXPECT_FALSE(IsJpegData(PngOfColor(2, 2, {})));
}

// libjpeg decodes a JPEG cut short as far as it goes and fills the rest grey, at its own size and
// scaled while decoding; the rows it did not reach are never whatever memory held.
TEST(RasterPictureTest, AJpegCutShortShowsWhatIsThereAndGrey) {
    const std::string jpeg = JpegOfColor(400, 300, {0, 0, 255, 255});
    const std::string cut = jpeg.substr(0, jpeg.size() / 2);
    for (const std::optional<PictureSize> size :
         {std::optional<PictureSize>(), std::optional(PictureSize{100, 75})}) {
        SCOPED_TRACE(size ? "scaled" : "natural");
        const CairoSurface decoded = DecodeRasterPicture(cut, size);
        ASSERT_TRUE(decoded);
        const int width = cairo_image_surface_get_width(decoded.get());
        const int height = cairo_image_surface_get_height(decoded.get());
        EXPECT_EQ(width, size ? 100 : 400);
        const std::uint32_t top = PixelAt(decoded.get(), 0, 0);
        EXPECT_GE(top & 0xFF, 247u) << std::hex << top;
        EXPECT_EQ(PixelAt(decoded.get(), width - 1, height - 1), 0xFF808080u);
    }
}

TEST(RasterPictureTest, BadDataGivesNothing) {
    const std::string png = PngOfColor(20, 20, {1, 2, 3, 255});
    struct Case {
        const char* name;
        std::string data;
        long long maxPixels = kMaxPicturePixels;
        // A picture whose header is whole still tells its size, so that its place is kept.
        bool headerWhole = false;
    };
    const Case cases[] = {
        {"empty", ""},
        {"not a picture", "plain words, no picture at all"},
        {"truncated", png.substr(0, png.size() / 2), kMaxPicturePixels, true},
        {"corrupt", png.substr(0, 40) + std::string(200, 'x'), kMaxPicturePixels, true},
        {"JPEG without a frame", std::string("\xFF\xD8\xFF\xE0\x00\x04"
                                             "ab\xFF\xD9",
                                             10)},
        {"JPEG segment running off the end", std::string("\xFF\xD8\xFF\xC0\x00\x11\x08", 7)},
        // Refused from the header alone: no row of it is ever unpacked.
        {"claims 100000 x 100000", PngClaimingSize(100000, 100000)},
        {"claims 0 x 10", PngClaimingSize(0, 10)},
        {"over the limit", png, 399},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(DecodeRasterPicture(c.data, std::nullopt, c.maxPixels));
        EXPECT_EQ(MeasureRasterPicture(c.data, c.maxPixels),
                  c.headerWhole ? std::optional(PictureSize{20, 20}) : std::nullopt);
    }
    EXPECT_TRUE(DecodeRasterPicture(png, std::nullopt, 400)) << "exactly at the limit";
    EXPECT_FALSE(DecodeRasterPicture(png, PictureSize{0, 5})) << "drawn at no size";
}

TEST(SvgPictureTest, SniffingLooksAtTheFirst400Bytes) {
    const std::string padding(397, ' ');
    struct Case {
        std::string data;
        bool svg;
    };
    const Case cases[] = {
        {SvgOfColor(3, 3, "red"), true},
        {padding + "svg", true},
        {padding + " svg", false},
        {PngOfColor(2, 2, {}), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LooksLikeSvg(c.data), c.svg) << c.data.size();
    }
}

TEST(SvgPictureTest, SizeComesFromWidthAndHeightElseTheViewBox) {
    struct Case {
        const char* markup;
        PictureSize size;
    };
    const Case cases[] = {
        {R"(<svg xmlns="http://www.w3.org/2000/svg" width="120" height="80"/>)", {120, 80}},
        {R"(<svg xmlns="http://www.w3.org/2000/svg" width="1in" height="0.5in"/>)", {96, 48}},
        // The usual cover page: percentages, and a viewBox that says the shape.
        {R"(<svg xmlns="http://www.w3.org/2000/svg" width="100%" height="100%" viewBox="0 0 600 800"/>)",
         {600, 800}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.markup);
        const auto svg = SvgPicture::Parse(c.markup);
        ASSERT_TRUE(svg);
        EXPECT_EQ(svg->Size(), c.size);
    }
    EXPECT_FALSE(SvgPicture::Parse("<svg xmlns=\"http://www.w3.org/2000/svg\">"))
        << "not well formed";
    EXPECT_FALSE(SvgPicture::Parse(R"(<svg xmlns="http://www.w3.org/2000/svg" width="100%"/>)"))
        << "no size to be had";
}

TEST(SvgPictureTest, RendersStretchedIntoItsRectangle) {
    const auto svg = SvgPicture::Parse(
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">)"
        R"(<rect width="5" height="10" fill="#ff0000"/><rect x="5" width="5" height="10" fill="#0000ff"/></svg>)");
    ASSERT_TRUE(svg);
    // Twice as wide as the drawing: each half stretches, nothing is letter-boxed.
    const CairoSurface surface = svg->Rasterize({40, 10});
    ASSERT_TRUE(surface);
    EXPECT_EQ(PixelAt(surface.get(), 1, 5), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(surface.get(), 18, 5), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(surface.get(), 22, 5), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(surface.get(), 39, 5), 0xFF0000FFu);

    const CairoSurface shrunk = RasterizeSvg(SvgOfColor(1000, 500, "red"), 5000);
    ASSERT_TRUE(shrunk);
    EXPECT_EQ(cairo_image_surface_get_width(shrunk.get()), 100);
    EXPECT_EQ(cairo_image_surface_get_height(shrunk.get()), 50);
}

TEST(SvgPictureTest, HostileDocumentsEndQuicklyAndDrawNothingFromOutside) {
    std::string laughs = R"(<?xml version="1.0"?><!DOCTYPE svg [<!ENTITY a0 "lol">)";
    for (int i = 1; i <= 12; ++i) {
        laughs += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) {
            laughs += "&a" + std::to_string(i - 1) + ";";
        }
        laughs += "\">";
    }
    laughs +=
        R"(]><svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><text>&a12;</text></svg>)";
    const char* const cyclicUse =
        R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="10" height="10">)"
        R"(<g id="a"><use xlink:href="#b"/></g><g id="b"><use xlink:href="#a"/></g><use xlink:href="#a"/></svg>)";
    const char* const outside =
        R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="10" height="10">)"
        R"(<image width="10" height="10" xlink:href="file:///usr/share/pixmaps/debian-logo.png"/>)"
        R"(<image width="10" height="10" xlink:href="http://example.invalid/x.png"/></svg>)";
    for (const std::string& markup : {laughs, std::string(cyclicUse), std::string(outside)}) {
        SCOPED_TRACE(markup.substr(0, 120));
        const auto svg = SvgPicture::Parse(markup);
        if (!svg) {
            continue;  // refused outright is as good as drawn harmlessly
        }
        const CairoSurface surface = svg->Rasterize(svg->Size());
        ASSERT_TRUE(surface);
        EXPECT_EQ(PixelAt(surface.get(), 5, 5), 0u) << "something was drawn";
    }
}

}  // namespace
}  // namespace quirelle
