#pragma once

#include <ostream>
#include <string>

#include "platform/cairo_handles.hpp"

namespace quirelle {

class DocumentView;

// What the view shows for document `page` at width x height, scrolled by `scrollY`, after the
// whole loading sequence: an image of the view's area. Empty when the document could not be
// read.
CairoSurface SnapshotPage(DocumentView& view, int page, int width, int height, double scrollY);

// Writes the layout of the document on display, whole and unscrolled, as laid out for the view's
// size, to `out` as that of document `page` (see WritePageLayoutDump).
void DumpPageLayout(DocumentView& view, int page, std::ostream& out);

}  // namespace quirelle
