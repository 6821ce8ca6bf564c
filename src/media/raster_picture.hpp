#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "media/picture_size.hpp"
#include "platform/cairo_handles.hpp"

namespace quirelle {

// The natural size of a picture file in memory (any format gdk-pixbuf's loaders know), read from
// its header without unpacking its pixels. Nothing for data no loader recognises, and for a
// picture larger than `maxPixels`.
std::optional<PictureSize> MeasureRasterPicture(std::string_view data,
                                                long long maxPixels = kMaxPicturePixels);

// Decodes a picture file in memory into a CAIRO_FORMAT_ARGB32 surface (CAIRO_FORMAT_RGB24 for a
// picture without alpha): premultiplied, in the machine's order; with `drawnSize`, scaled to that
// size. A null surface when the data cannot be decoded whole (a file cut short included), or when
// the picture is larger than `maxPixels`.
CairoSurface DecodeRasterPicture(std::string_view data,
                                 std::optional<PictureSize> drawnSize = std::nullopt,
                                 long long maxPixels = kMaxPicturePixels);

// One straight-alpha RGBA pixel as cairo holds it: each colour multiplied by alpha, in one
// native-order word 0xAARRGGBB. Drawing straight alpha as if it were premultiplied gives every
// transparent edge a dark fringe.
std::uint32_t PremultipliedPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                 std::uint8_t alpha);

// True for JPEG data, which a PDF can hold as it is.
bool IsJpegData(std::string_view data);

}  // namespace quirelle
