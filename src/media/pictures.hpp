#pragma once

namespace quirelle {

class DocumentView;

// Measures and places the picture the layout pass met (its source, width and height attribute
// texts), reserving its rectangle at the pen; the text continues to its right.
void PlacePictureElement(DocumentView& view);

// Draws the first `count` placed pictures onto the picture layer, made afresh for pageLength.
void DrawPictures(DocumentView& view, int count);

// At the start of the body: paints the page background and the picture layer, and puts the pen
// at the margins, shifted up by the scroll offset.
void BeginPageContent(DocumentView& view);

}  // namespace quirelle
