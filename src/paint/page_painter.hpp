#pragma once

#include <cairo.h>

#include "layout/page_layout.hpp"
#include "layout/picture_store.hpp"

namespace quirelle {

// Paints the part of a laid-out page between the rows `top` and `bottom` onto `cr`, in the
// page's own coordinates (a view scrolled by y translates `cr` by -y first). Only the items
// reaching into those rows are visited, so a scroll step costs what the view shows, not what
// the document holds. Pictures come from `pictures`; without it their places stay empty.
void PaintPage(cairo_t* cr, const PageLayout& page, PictureStore* pictures, double top,
               double bottom);

}  // namespace quirelle
