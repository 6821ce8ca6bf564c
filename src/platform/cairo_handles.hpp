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

using CairoSurface = std::unique_ptr<cairo_surface_t, CairoSurfaceDestroy>;
using CairoContext = std::unique_ptr<cairo_t, CairoContextDestroy>;
using CairoPattern = std::unique_ptr<cairo_pattern_t, CairoPatternDestroy>;

}  // namespace quirelle
