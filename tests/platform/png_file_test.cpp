#include "platform/png_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/cairo_handles.hpp"
#include "support/epub_fixture.hpp"

namespace quirelle {
namespace {

TEST(PngFileTest, TheColoursComeBackExactly) {
    testing::TempDir dir;
    // Three columns and a row of odd colours, so that a channel swapped or a row shifted shows.
    CairoSurface page(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 5, 3));
    CairoContext cr(cairo_create(page.get()));
    const std::uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456, 0xFFFEDCBA};
    cairo_surface_flush(page.get());
    for (int y = 0; y < 3; ++y) {
        auto* row =
            reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(page.get()) +
                                             y * cairo_image_surface_get_stride(page.get()));
        for (int x = 0; x < 5; ++x) {
            row[x] = colours[(x + y) % 5];
        }
    }
    cairo_surface_mark_dirty(page.get());
    const auto file = dir / "page.png";
    ASSERT_TRUE(WriteOpaquePng(page.get(), file.string()));

    CairoSurface read(cairo_image_surface_create_from_png(file.c_str()));
    ASSERT_EQ(cairo_surface_status(read.get()), CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(cairo_image_surface_get_width(read.get()), 5);
    ASSERT_EQ(cairo_image_surface_get_height(read.get()), 3);
    for (int y = 0; y < 3; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(read.get()) +
                                                   y * cairo_image_surface_get_stride(read.get()));
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(row[x] | 0xFF000000u, colours[(x + y) % 5]) << x << "," << y;
        }
    }
}

TEST(PngFileTest, AFileThatCannotBeWrittenIsReportedAndLeavesNothing) {
    testing::TempDir dir;
    CairoSurface page(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4));
    EXPECT_FALSE(WriteOpaquePng(page.get(), (dir / "no-such-folder" / "page.png").string()));
    CairoSurface alphaOnly(cairo_image_surface_create(CAIRO_FORMAT_A8, 4, 4));
    EXPECT_FALSE(WriteOpaquePng(alphaOnly.get(), (dir / "mask.png").string()));
    EXPECT_FALSE(std::filesystem::exists(dir / "mask.png"));
    if (std::filesystem::exists("/dev/full")) {
        // A disk that is full: the data never arrives, which is told; the device stays.
        EXPECT_FALSE(WriteOpaquePng(page.get(), "/dev/full"));
        EXPECT_TRUE(std::filesystem::exists("/dev/full"));
    }
}

}  // namespace
}  // namespace quirelle
