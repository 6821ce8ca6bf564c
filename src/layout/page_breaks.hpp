#pragma once

#include <vector>

#include "document/document_tree.hpp"
#include "layout/page_layout.hpp"
#include "style/computed_style.hpp"

namespace quirelle {

// Where a laid-out document is cut into pages no taller than `limit`: the top of each page, the
// first at 0. A page ends between line boxes, never through a line, and a picture that fits on
// a page is never cut; only something taller than a page is cut where the page is full.
std::vector<double> PageBreaks(const PageLayout& page, double limit);

// What the book asks of the breaks between a document's pages, in the page's rows.
struct BreakRequests {
    // Where a page must start: the top of a block with `break-before: page` (or after one with
    // `break-after: page`).
    std::vector<double> forced;
    // Rows to keep on one page where they fit: a block with `break-inside: avoid`, a heading with
    // the first line after it.
    struct Span {
        double top = 0;
        double bottom = 0;
    };
    std::vector<Span> keep;
};

// The requests of a laid-out document's blocks.
BreakRequests BreakRequestsOf(const DocumentTree& tree, const std::vector<ComputedStyle>& styles,
                              const PageLayout& page);

// PageBreaks for printed pages: as above, and a page also starts at every forced break that
// follows something on the page, and ends before a kept span that would cross its foot when the
// span fits on a page. Where keeping a span would leave no room at all, the lines alone decide.
std::vector<double> PageBreaks(const PageLayout& page, double limit, const BreakRequests& requests);

}  // namespace quirelle
