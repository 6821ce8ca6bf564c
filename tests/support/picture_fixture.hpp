#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quirelle::testing {

// A colour with straight (not premultiplied) alpha, as picture files hold it.
struct Rgba {
    std::uint8_t red = 0, green = 0, blue = 0, alpha = 255;
};

// Picture files of one colour, as a book would hold them.
std::string PngOfColor(int width, int height, Rgba color);
std::string JpegOfColor(int width, int height, Rgba color);
std::string WebpOfColor(int width, int height, Rgba color);
// A PNG one pixel wide per colour given, left to right.
std::string PngOfColumns(const std::vector<Rgba>& columns, int height);
std::string SvgOfColor(int width, int height, const std::string& color);

// A PNG whose header claims the given size, with no pixels behind it.
std::string PngClaimingSize(std::uint32_t width, std::uint32_t height);

// The native-order word of pixel (x, y) of an ARGB32 or RGB24 image surface.
std::uint32_t PixelAt(cairo_surface_t* surface, int x, int y);

}  // namespace quirelle::testing
