#pragma once

#include <optional>
#include <vector>

#include "document/text_offset.hpp"
#include "layout/page_layout.hpp"

namespace quirelle {

// The first word a view scrolled to `top` shows: the first line at least half below the top
// that holds a word of the document's own text. Nothing when no such line is left.
std::optional<TextOffset> TextOffsetAtTop(const PageLayout& page, const DocumentTree& tree,
                                          double top);

// Where the line holding the character at `offset` starts: the line of the last word that
// starts at or before it. Nothing when no word of the page does (the offset lies before all
// text, or the page has none).
std::optional<double> LineTopOfTextOffset(const PageLayout& page, const DocumentTree& tree,
                                          TextOffset offset);

// The scroll offset that shows the place at `offset`: its line's top, or the page's own top for
// the page's first line, so that the margin above it stays in view. 0 when no word holds it.
double ScrollTopOfTextOffset(const PageLayout& page, const DocumentTree& tree, TextOffset offset);

// The rectangles of the words that a stretch of text [offset, offset + length) touches, each
// word's own width and its line's height.
struct WordRect {
    double x = 0, y = 0, width = 0, height = 0;
};
std::vector<WordRect> WordRectsOf(const PageLayout& page, const DocumentTree& tree,
                                  TextOffset offset, std::uint32_t length);

}  // namespace quirelle
