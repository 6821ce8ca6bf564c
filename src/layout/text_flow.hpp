#pragma once

#include <string_view>

#include "platform/settings.hpp"

namespace quirelle {

struct DocumentViewData;

// The text flow: runs of gathered text drawn glyph by glyph on the layout context, the pen moving
// right and down. The pen is the current point of data.layout.cr; its y is the top of the line.
//
// Lines break between words: a word that would reach the right limit goes to the next line,
// unless it already starts one; only a word longer than a whole line breaks inside. Blanks that
// would begin a wrapped line are not drawn. Only the first run of a line is aligned.
void DrawTextRun(DocumentViewData& data, const Settings& settings, std::string_view text);

// The pen to the start of the next line, one line height (or, inside a run, one font height)
// further down.
void NewLine(DocumentViewData& data, const Settings& settings);
void WrapLine(DocumentViewData& data, const Settings& settings);

// Where a line whose top is at y starts: the horizontal margin, or beside the picture placed
// last while the line runs past it.
double LeftEdgeAt(const DocumentViewData& data, const Settings& settings, double y);

// A list item's marker ("3. ", a black circle), drawn at the pen without background or
// decoration; it empties the gathered text.
void DrawListMarker(DocumentViewData& data, const Settings& settings, std::string_view marker);

// The advance of a text in the current font, as cairo measures it.
double TextAdvance(DocumentViewData& data, std::string_view text);

// linkWidth, worked out now if it was left for later.
double ResolvedLinkWidth(DocumentViewData& data);

// The right limit of a line: a glyph whose end reaches it wraps the line.
double RightLimit(const DocumentViewData& data, const Settings& settings);

}  // namespace quirelle
