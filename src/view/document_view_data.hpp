#pragma once

#include <string>

#include "package/archive.hpp"
#include "package/archive_buffer.hpp"
#include "package/book.hpp"
#include "package/debug_switches.hpp"
#include "layout/font_cache.hpp"
#include "layout/layout_state.hpp"
#include "platform/cairo_handles.hpp"
#include "style/text_style.hpp"

namespace quirelle {

// The document view's store: the open book, the document on display and the state of the page.
// The view creates it once and keeps it at the same address for its whole life; the package,
// layout, style and media code read and write it directly.
struct DocumentViewData {
    BookState book;
    ArchiveBuffer documentText = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);

    int currentPage = 1;  // index in book.documents of the page on display
    double scrollY = 0.0;
    double pageLength = 1000.0;
    double scrollRange = 0.0;
    double maxPageLength = 0.0;  // tallest page of the export range, once measured
    int areaWidth = 0;
    int areaHeight = 0;
    bool cssEnabled = true;
    int styleRuleCount = 0;

    LayoutState layout;
    TextStyle style;

    // The fonts handed to cairo so far, and the one in force on the layout context.
    FontCache fonts;
    FontMetrics* currentFont = nullptr;
    // Draw every glyph with cairo's text calls, as the plain algorithm does; the usual path
    // draws exactly the same pixels from cached metrics and skips glyphs nobody can see.
    bool referenceRendering = false;

    // The surface each draw lays the page out on, kept while the view keeps its size.
    CairoSurface pageSurface;

    // The picture layer, laid under the text of every draw; while nothing is drawn on it, laying
    // it down would change no pixel and is skipped.
    bool pictureLayerEmpty = true;
    CairoSurface layoutSurface{cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1280, 1000)};
    CairoContext layoutCr{cairo_create(layoutSurface.get())};

    DebugSwitches debug;
};

}  // namespace quirelle
