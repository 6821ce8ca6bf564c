#pragma once

#include <vector>

#include "layout/page_layout.hpp"

namespace quirelle {

// Where a laid-out document is cut into pages no taller than `limit`: the top of each page, the
// first at 0. A page ends between line boxes, never through a line, and a picture that fits on
// a page is never cut; only something taller than a page is cut where the page is full.
std::vector<double> PageBreaks(const PageLayout& page, double limit);

}  // namespace quirelle
