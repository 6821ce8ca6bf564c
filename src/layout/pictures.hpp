#pragma once

namespace quirelle {

struct LayoutContext;

// Measures and places the picture the layout pass met (its source, width and height attribute
// texts): reserves its rectangle at the pen, draws it there when it lies in view, and lets the
// text continue to its right.
void PlacePictureElement(LayoutContext& context);

// At the start of the body: paints the page background (its colour, then its picture) and puts
// the pen at the margins, shifted up by the scroll offset.
void BeginPageContent(LayoutContext& context);
// The first half of that: the page background over the whole area, in the current style.
void PaintPageBackground(LayoutContext& context);

}  // namespace quirelle
