#pragma once

#include <librsvg/rsvg.h>

namespace quirelle {

// The librsvg calls SVG pictures are drawn with. librsvg and the libraries it brings along
// (Pango, libxml2 and more) take a third of the program's start-up, and most pages hold no SVG,
// so the library is opened only when the first SVG is met.
struct SvgLibrary {
    decltype(&rsvg_handle_new_from_data) newFromData = nullptr;
    decltype(&rsvg_handle_set_dpi) setDpi = nullptr;
    decltype(&rsvg_handle_get_intrinsic_size_in_pixels) intrinsicSizeInPixels = nullptr;
    decltype(&rsvg_handle_get_intrinsic_dimensions) intrinsicDimensions = nullptr;
    decltype(&rsvg_handle_render_document) renderDocument = nullptr;

    // The library, opened on the first call from any thread. Null when it cannot be opened or
    // lacks a call; that is said once on standard error, and SVG pictures then stay empty.
    static const SvgLibrary* Get();
};

}  // namespace quirelle
