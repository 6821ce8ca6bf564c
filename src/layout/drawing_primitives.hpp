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
// A link record for the rectangle given, with the target of the link being drawn; `control` is
// the audio button's (0 play, 1 pause or resume, 2 stop).
void AddLinkRectangle(LayoutContext& context, double x1, double y1, double x2, double y2,
                      int control = 0);

// The bar of an audio element with controls, at the pen: play, pause and stop buttons, each a
// link record of the element's sound with its control (0, 1, 2).
void DrawAudioControls(LayoutContext& context);

}  // namespace quirelle
