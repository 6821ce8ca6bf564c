#pragma once

#include <cairo.h>

#include "media/picture_size.hpp"
#include "platform/cairo_handles.hpp"

namespace quirelle {

// `picture` (an ARGB32 or RGB24 image surface) made smaller, in its own format: each pixel of
// the result is the average of the area of the picture it covers, edge pixels weighted by the
// part of them inside. Averaging keeps fine lines and text in a picture from breaking up the way
// point sampling does, at a fraction of the cost of cairo's convolution filter. A `size` larger
// than the picture in either direction, or a surface of another format, gives a null surface.
CairoSurface ShrinkPicture(cairo_surface_t* picture, PictureSize size);

}  // namespace quirelle
