#pragma once

#include <string_view>

#include "media/picture_size.hpp"
#include "platform/cairo_handles.hpp"

namespace quirelle {

// True for data that begins as a PNG file does.
bool IsPngData(std::string_view data);

// Decodes PNG data straight into a cairo surface: CAIRO_FORMAT_ARGB32, premultiplied, when the
// picture has alpha or a transparent colour, else CAIRO_FORMAT_RGB24; every colour type, bit
// depth and interlacing PNG has. A null surface for data that is not a whole, sound PNG (a file
// cut short, a bad checksum) and for a picture of more than `maxPixels`, which is refused from
// its header before any memory is taken for its pixels.
CairoSurface DecodePngPicture(std::string_view data, long long maxPixels = kMaxPicturePixels);

}  // namespace quirelle
