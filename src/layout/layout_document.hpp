#pragma once

#include <cairo.h>

#include <string_view>

namespace quirelle {

struct LayoutContext;

// One layout pass: walks the XHTML text with expat and draws it on the context's cairo context as
// it goes, element by element. Nothing is kept between passes but what the context holds.
void LayoutDocument(LayoutContext& context, std::string_view text);

// One layout pass of `text` on `cr`, which becomes the pass's context; leaves contentHeight.
void RenderPage(LayoutContext& context, cairo_t* cr, std::string_view text);

}  // namespace quirelle
