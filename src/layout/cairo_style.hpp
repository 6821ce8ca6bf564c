#pragma once

#include <string_view>

#include "style/element_kind.hpp"

namespace quirelle {

struct LayoutContext;

// Hands the current text style to the layout context: font face, slant, weight and size, and the
// text colour as the source.
void PutStyleIntoCairo(LayoutContext& context);

// No font is handed to cairo larger than this, whatever size a style asks for.
inline constexpr double kLargestDrawableFontSize = 2000.0;

// The height of the current font's extents on the layout context.
double CurrentFontHeight(LayoutContext& context);

class FontMetrics;
// The cached metrics of the font the current style draws with, also when the pass draws with
// cairo's text calls (and so keeps no current font of its own).
FontMetrics& CurrentFontMetrics(LayoutContext& context);

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

// The book's rule for an element: `message` is the element name, or the name, a dot and one
// class or epub:type value ("p.note"; only the text before a blank counts). Tried in turn: the
// key, the key as an epub|type attribute selector, and the class alone (".note"); the first rule
// found is applied and the style handed to cairo. Nothing happens while CSS is switched off.
void ApplyElementStyle(LayoutContext& context, std::string_view message);

// A style element's text, read into the book's rules (once per book).
void AddStyleBlock(LayoutContext& context, std::string_view text);

// At the start of a body: the rules are ready; only the dump of them is written here.
void ParseAllRules(LayoutContext& context);

}  // namespace quirelle
