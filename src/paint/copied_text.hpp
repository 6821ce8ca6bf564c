#pragma once

#include <cairo.h>

#include <string>
#include <string_view>
#include <vector>

namespace quirelle {

// The text a glyph run hands to a PDF, so that it copies and searches as the book wrote it.
struct CopiedText {
    std::string text;
    std::vector<cairo_text_cluster_t> clusters;
};

// Whether `text` needs CopiedTextOf at all: most runs go to the PDF as they are.
bool NeedsCopiedText(std::string_view text);

// The run's text with its clusters: without the soft hyphens and word joiners, which are no
// part of the words; and a right-to-left cluster of several characters (a lam-alef ligature, a
// letter with its points) written last character first, as text extractors read the glyphs of
// a right-to-left line from the right and so turn each glyph's characters round once more.
CopiedText CopiedTextOf(std::string_view text, const cairo_text_cluster_t* clusters, int count);

}  // namespace quirelle
