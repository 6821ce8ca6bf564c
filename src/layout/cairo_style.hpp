#pragma once

namespace quirelle {

struct DocumentViewData;

// Hands the current text style to the layout context: font face, slant, weight and size, and the
// text colour as the source.
void PutStyleIntoCairo(DocumentViewData& data);

// The height of the current font's extents on the layout context.
double CurrentFontHeight(DocumentViewData& data);

}  // namespace quirelle
