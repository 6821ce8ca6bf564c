#pragma once

namespace quirelle {

struct LayoutContext;

// Measures and places the picture the layout pass met (its source, width and height attribute
// texts), reserving its rectangle at the pen; the text continues to its right.
void PlacePictureElement(LayoutContext& context);

// Makes the picture layer afresh for pageLength (kept between 100 and 30000 pixels).
void ResizeLayoutSurface(LayoutContext& context);

// Draws the first `count` placed pictures onto the picture layer, made afresh for pageLength.
void DrawPictures(LayoutContext& context, int count);

// At the start of the body: paints the page background and the picture layer, and puts the pen
// at the margins, shifted up by the scroll offset.
void BeginPageContent(LayoutContext& context);

}  // namespace quirelle
