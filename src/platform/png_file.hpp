#pragma once

#include <cairo.h>

#include <string>

namespace quirelle {

// Writes an opaque image surface (a page as shown: painted over its background) to a PNG file
// of RGB pixels. It packs quickly rather than tightly: cairo's own writer spends more time
// compressing a page than drawing it. False when it cannot be written; a plain file cut short
// is removed.
bool WriteOpaquePng(cairo_surface_t* image, const std::string& path);

}  // namespace quirelle
