#pragma once

#include <string>

#include "platform/cairo_handles.hpp"

namespace quirelle {

class DocumentView;

// What the view shows for document `page` at width x height, scrolled by `scrollY`, after the
// whole loading sequence: an image of the view's area. Empty when the document could not be
// read.
CairoSurface SnapshotPage(DocumentView& view, int page, int width, int height, double scrollY);

}  // namespace quirelle
