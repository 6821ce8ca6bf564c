#pragma once

#include <cairo.h>

#include "layout/document_events.hpp"
#include "layout/font_cache.hpp"
#include "layout/layout_state.hpp"
#include "layout/pass_checkpoints.hpp"
#include "layout/picture_store.hpp"
#include "layout/text_shaping.hpp"
#include "package/debug_switches.hpp"
#include "platform/cairo_handles.hpp"
#include "platform/settings.hpp"
#include "style/style_sheet.hpp"
#include "style/text_style.hpp"

namespace quirelle {

// Everything a layout pass works on: its state between parser callbacks, the current text style,
// the fonts, the pictures, the view's geometry and the settings of the pass. The view owns
// one and hands it to every pass; the drawing primitives of the pass take nothing else.
struct LayoutContext {
    LayoutState state;
    TextStyle style;
    // The book's style rules, and whether they are used at all (the "CSS" switch).
    StyleSheet styleSheet;
    bool cssEnabled = true;

    // The settings as they stand when a pass starts; the interface reads its gadgets to give
    // them, which is worth doing once a pass rather than once an element.
    Settings settings;
    DebugSwitches debug;

    // The area the page is laid out for, how far it is scrolled, and how long the page is.
    int areaWidth = 0;
    int areaHeight = 0;
    double scrollY = 0.0;
    double pageLength = 1000.0;

    // The fonts handed to cairo so far, and the one in force on the layout context.
    FontCache fonts;
    FontMetrics* currentFont = nullptr;
    // Draw every glyph with cairo's text calls, as the plain algorithm does; the usual path
    // draws exactly the same pixels from cached metrics and skips glyphs nobody can see.
    bool referenceRendering = false;
    // The document the passes lay out, as expat read it once.
    DocumentEvents documentEvents;
    // Where passes over the current layout of the document may begin.
    PassCheckpoints checkpoints;
    // Text that needed fallback fonts, shaping or reordering, as it was shaped.
    ShapedRunCache shapedRuns;

    // The book's pictures: their sizes and the decoded copies the passes draw from.
    PictureStore pictureStore;

    // The play, pause and stop icons of the audio bar, read once from "pic" beside the program;
    // an icon that cannot be read stays empty and its button shows nothing.
    CairoSurface audioIcons[3];
    bool audioIconsRead = false;
};

}  // namespace quirelle
