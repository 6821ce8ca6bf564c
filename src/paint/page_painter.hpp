#pragma once

#include <cairo.h>

#include "layout/page_layout.hpp"
#include "layout/picture_store.hpp"
#include "paint/color_theme.hpp"

namespace quirelle {

// The colour for cairo's next fill or glyphs.
void SetSourceColor(cairo_t* cr, const RgbaColor& color);

// Paints the part of a laid-out page between the rows `top` and `bottom` onto `cr`, in the
// page's own coordinates (a view scrolled by y translates `cr` by -y first). Only the items
// reaching into those rows are visited, so a scroll step costs what the view shows, not what
// the document holds. Pictures come from `pictures`; without it their places stay empty. Text
// and background colours go through `theme`; pictures never do.
void PaintPage(cairo_t* cr, const PageLayout& page, PictureStore* pictures, double top,
               double bottom, const ColorTheme& theme = ColorTheme());

}  // namespace quirelle
