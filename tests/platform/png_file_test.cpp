#include "platform/png_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/cairo_handles.hpp"
#include "support/epub_fixture.hpp"

namespace quirelle {
namespace {

// Odd colours in every pixel, so that a channel swapped, a row shifted or a part of the image
// compressed apart and joined wrongly shows. A large page is compressed in parts.
TEST(PngFileTest, TheColoursComeBackExactly) {
    struct Case {
        int width, height;
    };
    const Case cases[] = {{5, 3}, {1, 1}, {1000, 777}, {3, 1000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        testing::TempDir dir;
        CairoSurface page(cairo_image_surface_create(CAIRO_FORMAT_RGB24, c.width, c.height));
        std::mt19937 random(static_cast<unsigned>(c.width * c.height));
        std::vector<std::uint32_t> colours;
        cairo_surface_flush(page.get());
        for (int y = 0; y < c.height; ++y) {
            auto* row =
                reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(page.get()) +
                                                 y * cairo_image_surface_get_stride(page.get()));
            for (int x = 0; x < c.width; ++x) {
                // Runs of one colour, as on a page, among odd ones; the unused byte is noise.
                const std::uint32_t colour =
                    random() % 4 == 0 || colours.empty() ? random() : colours.back();
                row[x] = colour;
                colours.push_back(colour | 0xFF000000u);
            }
        }
        cairo_surface_mark_dirty(page.get());
        const auto file = dir / "page.png";
        ASSERT_TRUE(WriteOpaquePng(page.get(), file.string()));

        CairoSurface read(cairo_image_surface_create_from_png(file.c_str()));
        ASSERT_EQ(cairo_surface_status(read.get()), CAIRO_STATUS_SUCCESS);
        ASSERT_EQ(cairo_image_surface_get_width(read.get()), c.width);
        ASSERT_EQ(cairo_image_surface_get_height(read.get()), c.height);
        std::size_t wrong = 0;
        for (int y = 0; y < c.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(
                cairo_image_surface_get_data(read.get()) +
                y * cairo_image_surface_get_stride(read.get()));
            for (int x = 0; x < c.width; ++x) {
                wrong += row[x] != colours[static_cast<std::size_t>(y * c.width + x)];
            }
        }
        EXPECT_EQ(wrong, 0u);
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
