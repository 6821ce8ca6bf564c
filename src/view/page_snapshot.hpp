#pragma once

#include <string>

#include "platform/cairo_handles.hpp"

namespace quirelle {

class DocumentView;
class LineBoxDump;

// What the view shows for document `page` at width x height, scrolled by `scrollY`, after the
// whole loading sequence: an image of the view's area. Empty when the document could not be
// read.
CairoSurface SnapshotPage(DocumentView& view, int page, int width, int height, double scrollY);

// Lays the document on display out once more, whole and unscrolled, for the size it was laid
// out for, and writes its line boxes to `dump` as those of document `page`.
void DumpPageLayout(DocumentView& view, int page, LineBoxDump& dump);

}  // namespace quirelle
