#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "media/picture_shrinking.hpp"

namespace quirelle {
namespace {

// A surface of `format` holding `pixels` row by row.
CairoSurface SurfaceOf(cairo_format_t format, int width, int height,
                       const std::vector<std::uint32_t>& pixels) {
    CairoSurface surface(cairo_image_surface_create(format, width, height));
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
        auto* row =
            reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            row[x] = pixels[static_cast<std::size_t>(y * width + x)];
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

std::vector<std::uint32_t> PixelsOf(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            data + static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(surface));
        pixels.insert(pixels.end(), row, row + width);
    }
    return pixels;
}

std::uint32_t Grey(std::uint32_t level) {
    return 0xFF000000u | level << 16 | level << 8 | level;
}

TEST(PictureShrinkingTest, EachPixelIsTheAverageOfTheAreaItCovers) {
    struct Case {
        const char* what;
        cairo_format_t format;
        int width, height;
        std::vector<std::uint32_t> pixels;
        PictureSize size;
        std::vector<std::uint32_t> expected;
    };
    const std::uint32_t black = Grey(0), white = Grey(255);
    const Case cases[] = {
        // Point sampling would keep only black or only white.
        {"one-pixel checks, halved",
         CAIRO_FORMAT_RGB24,
         4,
         2,
         {black, white, black, white, white, black, white, black},
         {2, 1},
         {Grey(128), Grey(128)}},
        // Three pixels into two: each target pixel covers one and a half source pixels.
        {"three into two",
         CAIRO_FORMAT_RGB24,
         3,
         1,
         {Grey(0), Grey(90), Grey(180)},
         {2, 1},
         {Grey(30), Grey(150)}},
        {"a column",
         CAIRO_FORMAT_RGB24,
         1,
         3,
         {Grey(0), Grey(90), Grey(180)},
         {1, 2},
         {Grey(30), Grey(150)}},
        {"the same size is a copy",
         CAIRO_FORMAT_ARGB32,
         2,
         1,
         {0x80402010u, 0x00000000u},
         {2, 1},
         {0x80402010u, 0x00000000u}},
        // Premultiplied: an opaque red beside a clear pixel is a half-transparent red, not a
        // dark one.
        {"beside a clear pixel",
         CAIRO_FORMAT_ARGB32,
         2,
         1,
         {0xFFFF0000u, 0x00000000u},
         {1, 1},
         {0x80800000u}},
        {"a flat colour stays itself",
         CAIRO_FORMAT_ARGB32,
         7,
         5,
         std::vector<std::uint32_t>(35, 0xC0604020u),
         {3, 2},
         std::vector<std::uint32_t>(6, 0xC0604020u)},
        // RGB24 leaves its unused byte undefined: it must not leak into the result.
        {"the unused byte of RGB24",
         CAIRO_FORMAT_RGB24,
         2,
         1,
         {0x00102030u, 0x7F102030u},
         {1, 1},
         {0xFF102030u}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CairoSurface source = SurfaceOf(c.format, c.width, c.height, c.pixels);
        const CairoSurface shrunk = ShrinkPicture(source.get(), c.size);
        ASSERT_TRUE(shrunk);
        EXPECT_EQ(cairo_image_surface_get_format(shrunk.get()), c.format);
        EXPECT_EQ(cairo_image_surface_get_width(shrunk.get()), c.size.width);
        EXPECT_EQ(cairo_image_surface_get_height(shrunk.get()), c.size.height);
        EXPECT_EQ(PixelsOf(shrunk.get()), c.expected);
    }
}

// Any premultiplied picture shrunk by any ratio stays premultiplied: no channel above its alpha,
// and the average of the alphas within rounding of the true one.
TEST(PictureShrinkingTest, RandomPicturesStayPremultiplied) {
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        const int width = 1 + static_cast<int>(random() % 300);
        const int height = 1 + static_cast<int>(random() % 300);
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
        double alphaTotal = 0;
        for (std::uint32_t& pixel : pixels) {
            const std::uint32_t alpha = random() % 256;
            const auto channel = [&] { return alpha == 0 ? 0u : random() % (alpha + 1); };
            pixel = alpha << 24 | channel() << 16 | channel() << 8 | channel();
            alphaTotal += alpha;
        }
        const PictureSize size{1 + static_cast<int>(random() % static_cast<unsigned>(width)),
                               1 + static_cast<int>(random() % static_cast<unsigned>(height))};
        const CairoSurface source = SurfaceOf(CAIRO_FORMAT_ARGB32, width, height, pixels);
        const CairoSurface shrunk = ShrinkPicture(source.get(), size);
        ASSERT_TRUE(shrunk);
        double shrunkAlphaTotal = 0;
        for (const std::uint32_t pixel : PixelsOf(shrunk.get())) {
            const std::uint32_t alpha = pixel >> 24;
            ASSERT_LE(pixel >> 16 & 0xFF, alpha);
            ASSERT_LE(pixel >> 8 & 0xFF, alpha);
            ASSERT_LE(pixel & 0xFF, alpha);
            shrunkAlphaTotal += alpha;
        }
        EXPECT_NEAR(shrunkAlphaTotal / size.Pixels(), alphaTotal / (width * height), 1.0)
            << width << "x" << height << " into " << size.width << "x" << size.height;
    }
}

TEST(PictureShrinkingTest, WhatItCannotShrinkGivesNothing) {
    const CairoSurface picture(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4));
    const CairoSurface mask(cairo_image_surface_create(CAIRO_FORMAT_A8, 4, 4));
    EXPECT_FALSE(ShrinkPicture(picture.get(), {5, 2}));
    EXPECT_FALSE(ShrinkPicture(picture.get(), {2, 5}));
    EXPECT_FALSE(ShrinkPicture(picture.get(), {0, 2}));
    EXPECT_FALSE(ShrinkPicture(mask.get(), {2, 2}));
}

}  // namespace
}  // namespace quirelle
