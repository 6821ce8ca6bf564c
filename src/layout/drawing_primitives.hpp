#pragma once

#include <string_view>

namespace quirelle {

struct LayoutContext;

// The marks a layout pass makes besides text. Each works on the context of the pass; the pen is
// the current point of its cairo context.

// A horizontal rule below the pen, which stays where it was.
void DrawRule(LayoutContext& context);

// A link record for the text just drawn, from the pen back over linkWidth.
void AddLink(LayoutContext& context);
// A link record for the rectangle given, with the target of the link being drawn.
void AddLinkRectangle(LayoutContext& context, double x1, double y1, double x2, double y2);

// FIXME: audio controls are not drawn yet.
void DrawAudioControls(LayoutContext& context);

}  // namespace quirelle
