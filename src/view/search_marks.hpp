#pragma once

#include <cairo.h>

#include <cstddef>
#include <unordered_map>
#include <utility>
#include <vector>

#include "document/text_offset.hpp"
#include "layout/document_layout.hpp"
#include "layout/text_position.hpp"

namespace quirelle {

// The hits of the last search, which the page marks wherever their document is on display.
// Finding a hit's words on a page walks the document's text and the page's words, so the
// rectangles of the document laid out are found once per layout and kept for every draw.
struct SearchMarks {
    using Span = std::pair<TextOffset, TextOffset>;  // [offset, end)
    std::unordered_map<int, std::vector<Span>> byDocument;

    // What `rects` were found for. A layout is known by its address and its shape, since a new
    // one may be made where the last one was.
    const DocumentLayout* rectsLayout = nullptr;
    int rectsDocument = -1;
    double rectsWidth = 0.0;
    double rectsHeight = 0.0;
    std::size_t rectsWords = 0;
    bool rectsCurrent = false;
    std::vector<WordRect> rects;
};

// Paints the marks of `document`, laid out as `layout`, over the rows [scrollY, scrollY +
// height) already painted on `cr` (whose origin is the top of the view).
void PaintSearchMarks(cairo_t* cr, SearchMarks& marks, int document, const DocumentLayout& layout,
                      double scrollY, double height);

}  // namespace quirelle
