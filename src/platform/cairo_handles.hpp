#pragma once

#include <cairo.h>

#include <memory>

namespace quirelle {

struct CairoSurfaceDestroy {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct CairoContextDestroy {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct CairoPatternDestroy {
    void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};
struct CairoFontFaceDestroy {
    void operator()(cairo_font_face_t* face) const { cairo_font_face_destroy(face); }
};

using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceDestroy>;
using CairoContext = std::unique_ptr<cairo_t, CairoContextDestroy>;
using CairoPattern = std::unique_ptr<cairo_pattern_t, CairoPatternDestroy>;
using CairoFontFace = std::unique_ptr<cairo_font_face_t, CairoFontFaceDestroy>;

}  // namespace quirelle
