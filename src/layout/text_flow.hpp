#pragma once

#include <string_view>

#include "layout/layout_context.hpp"

namespace quirelle {

// The text flow: runs of gathered text drawn glyph by glyph on the layout context, the pen moving
// right and down. The pen is the current point of context.state.cr; its y is the top of the line.
//
// Lines break between words: a word that would reach the right limit goes to the next line,
// unless it already starts one; only a word longer than a whole line breaks inside. Blanks that
// would begin a wrapped line are not drawn. Only the first run of a line is aligned.
void DrawTextRun(LayoutContext& context, std::string_view text);

// The pen to the start of the next line, one line height (or, inside a run, one font height)
// further down.
void NewLine(LayoutContext& context);
void WrapLine(LayoutContext& context);

// Where a line whose top is at y starts: the horizontal margin, or beside the picture placed
// last while the line runs past it.
double LeftEdgeAt(const LayoutContext& context, double y);

// A list item's marker ("3. ", a black circle), drawn at the pen without background or
// decoration; it empties the gathered text.
void DrawListMarker(LayoutContext& context, std::string_view marker);

// The advance of a text in the current font, as cairo measures it.
double TextAdvance(LayoutContext& context, std::string_view text);

// The right limit of a line: a glyph whose end reaches it wraps the line.
double RightLimit(const LayoutContext& context);

}  // namespace quirelle
