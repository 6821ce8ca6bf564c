#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <string>
#include <vector>

#include "media/png_decoding.hpp"
#include "media/raster_picture.hpp"
#include "support/picture_fixture.hpp"

namespace quirelle {
namespace {

using testing::PixelAt;

// How a PNG file is made: its header fields, its rows as stored, and its palette and
// transparency chunks.
struct PngLayout {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<std::vector<std::uint8_t>> rows{};
    std::vector<png_color> palette{};
    std::vector<std::uint8_t> paletteAlpha{};
    std::optional<png_color_16> transparentColour{};
};

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

bool WriteLayout(png_structp png, png_infop info, PngLayout& layout, std::string& file) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_write_fn(png, &file, &AppendToString, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width),
                 static_cast<png_uint_32>(layout.height), layout.bitDepth, layout.colorType,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty()) {
        png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
    }
    if (!layout.paletteAlpha.empty()) {
        png_set_tRNS(png, info, layout.paletteAlpha.data(),
                     static_cast<int>(layout.paletteAlpha.size()), nullptr);
    } else if (layout.transparentColour) {
        png_set_tRNS(png, info, nullptr, 0, &*layout.transparentColour);
    }
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (auto& row : layout.rows) {
        rows.push_back(row.data());
    }
    png_write_image(png, rows.data());
    png_write_end(png, info);
    return true;
}

std::string PngFile(PngLayout layout) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::string file;
    const bool written = WriteLayout(png, info, layout, file);
    png_destroy_write_struct(&png, &info);
    return written ? file : std::string();
}

// Every colour type and bit depth comes out as cairo's premultiplied native-order words, with
// alpha only when the file has transparency.
TEST(PngDecodingTest, EveryKindOfPngBecomesCairoPixels) {
    struct Case {
        const char* what;
        PngLayout layout;
        cairo_format_t format;
        std::vector<std::uint32_t> pixels;  // the first row
    };
    const Case cases[] = {
        {"grey, 1 bit",
         {.width = 3, .bitDepth = 1, .colorType = PNG_COLOR_TYPE_GRAY, .rows = {{0b10100000}}},
         CAIRO_FORMAT_RGB24,
         {0xFFFFFFFFu, 0xFF000000u, 0xFFFFFFFFu}},
        {"grey, 4 bits",
         {.width = 2, .bitDepth = 4, .colorType = PNG_COLOR_TYPE_GRAY, .rows = {{0x8F}}},
         CAIRO_FORMAT_RGB24,
         {0xFF888888u, 0xFFFFFFFFu}},
        {"grey, 16 bits",
         {.bitDepth = 16, .colorType = PNG_COLOR_TYPE_GRAY, .rows = {{0x80, 0x00}}},
         CAIRO_FORMAT_RGB24,
         {0xFF808080u}},
        {"grey and alpha",
         {.colorType = PNG_COLOR_TYPE_GRAY_ALPHA, .rows = {{200, 128}}},
         CAIRO_FORMAT_ARGB32,
         {0x80646464u}},
        {"palette with transparent entries",
         {3,
          1,
          8,
          PNG_COLOR_TYPE_PALETTE,
          false,
          {{0, 1, 2}},
          {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}},
          {0, 255, 128}},
         CAIRO_FORMAT_ARGB32,
         {0x00000000u, 0xFF0000FFu, 0x80008000u}},
        {"palette, 2 bits, opaque",
         {.width = 2,
          .bitDepth = 2,
          .colorType = PNG_COLOR_TYPE_PALETTE,
          .rows = {{0b01000000}},
          .palette = {{10, 20, 30}, {40, 50, 60}}},
         CAIRO_FORMAT_RGB24,
         {0xFF28323Cu, 0xFF0A141Eu}},
        {"RGB, 16 bits",
         {.bitDepth = 16, .rows = {{0xFF, 0xFF, 0x00, 0x00, 0x80, 0x00}}},
         CAIRO_FORMAT_RGB24,
         {0xFFFF0080u}},
        {"RGB with a transparent colour",
         {2,
          1,
          8,
          PNG_COLOR_TYPE_RGB,
          false,
          {{1, 2, 3, 4, 5, 6}},
          {},
          {},
          png_color_16{0, 4, 5, 6, 0}},
         CAIRO_FORMAT_ARGB32,
         {0xFF010203u, 0x00000000u}},
        {"RGBA",
         {.width = 2,
          .colorType = PNG_COLOR_TYPE_RGBA,
          .rows = {{255, 0, 0, 128, 10, 20, 30, 255}}},
         CAIRO_FORMAT_ARGB32,
         {0x80800000u, 0xFF0A141Eu}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = PngFile(c.layout);
        ASSERT_FALSE(file.empty());
        const CairoSurface decoded = DecodePngPicture(file);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(cairo_image_surface_get_format(decoded.get()), c.format);
        ASSERT_EQ(cairo_image_surface_get_width(decoded.get()), c.layout.width);
        for (std::size_t x = 0; x < c.pixels.size(); ++x) {
            EXPECT_EQ(PixelAt(decoded.get(), static_cast<int>(x), 0), c.pixels[x])
                << "pixel " << x << ": " << std::hex
                << PixelAt(decoded.get(), static_cast<int>(x), 0);
        }
    }
}

TEST(PngDecodingTest, InterlacedRowsLandInTheirPlaces) {
    PngLayout layout{.width = 9, .height = 9, .interlaced = true};
    for (int y = 0; y < 9; ++y) {
        std::vector<std::uint8_t> row;
        for (int x = 0; x < 9; ++x) {
            row.insert(row.end(),
                       {static_cast<std::uint8_t>(x * 20), static_cast<std::uint8_t>(y * 20), 7});
        }
        layout.rows.push_back(row);
    }
    const CairoSurface decoded = DecodePngPicture(PngFile(layout));
    ASSERT_TRUE(decoded);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(PixelAt(decoded.get(), x, y), 0xFF000007u |
                                                        static_cast<std::uint32_t>(x * 20) << 16 |
                                                        static_cast<std::uint32_t>(y * 20) << 8)
                << x << "," << y;
        }
    }
}

// A file that is not whole and sound gives no picture, whichever byte it breaks at: libpng's
// complaints end the decoding, never the program.
TEST(PngDecodingTest, BrokenFilesGiveNothing) {
    const std::string png = testing::PngOfColor(64, 64, {10, 20, 30, 255});
    ASSERT_TRUE(DecodePngPicture(png));
    for (std::size_t length = 0; length < png.size(); length += 7) {
        EXPECT_FALSE(DecodePngPicture(png.substr(0, length))) << "cut at " << length;
    }
    std::string badChecksum = png;
    badChecksum[png.find("IDAT") + 10] ^= 0x55;
    EXPECT_FALSE(DecodePngPicture(badChecksum));
    EXPECT_FALSE(DecodePngPicture(testing::PngClaimingSize(100000, 100000)));
    EXPECT_FALSE(DecodePngPicture(png, 64 * 64 - 1));
    EXPECT_FALSE(DecodePngPicture(testing::JpegOfColor(8, 8, {1, 2, 3, 255})));
}

}  // namespace
}  // namespace quirelle
