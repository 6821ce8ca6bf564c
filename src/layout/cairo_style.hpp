#pragma once

#include <string_view>

#include "style/element_kind.hpp"

namespace quirelle {

struct LayoutContext;

// Hands the current text style to the layout context: font face, slant, weight and size, and the
// text colour as the source.
void PutStyleIntoCairo(LayoutContext& context);

// The height of the current font's extents on the layout context.
double CurrentFontHeight(LayoutContext& context);

// The current text style into the layout context; the second also takes the line height from
// the font while text is gathered.
void ApplyFont(LayoutContext& context);
void ApplyFontAndLineHeight(LayoutContext& context);

// Colours, from CSS colour texts; a text that names no colour keeps the previous one.
void SetTextColor(LayoutContext& context, std::string_view text);
void SetBackgroundColor(LayoutContext& context, std::string_view text);

// Sets up the style defaults of an element kind from the pass's settings, hands the style to
// cairo, and takes the line height from its font.
void SelectElementStyle(LayoutContext& context, ElementKind kind);

}  // namespace quirelle
