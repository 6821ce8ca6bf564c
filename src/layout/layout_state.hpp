#pragma once

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "layout/layout_trace.hpp"
#include "layout/link_record.hpp"
#include "layout/picture_record.hpp"

namespace quirelle {

class LineBoxDump;

enum class ListType { None = 0, Ordered = 1, Unordered = 2 };

// What a layout pass needs between two parser callbacks. The pen is not here: it is the current
// point of `cr` (mirrored by the text flow while it draws a run).
struct LayoutState {
    cairo_t* cr = nullptr;  // the context the pass draws on; owned by whoever started the pass

    std::string textBuffer;  // character data gathered since the last flush or clear
    bool measurePass = false;
    double lineHeight = 0.0;
    // How far below the line's top its lowest baseline lies: the line height of the tallest run
    // drawn on the line so far, 0 while nothing is.
    double lineDepth = 0.0;
    double contentHeight = 0.0;

    bool inSpan = false;
    ListType listType = ListType::None;
    int listCounter = 1;
    bool inAudio = false;
    std::string linkHref;
    double linkWidth = 0.0;
    // While an a element is open, the text drawn for it, one span per line it reaches, so that a
    // link that wraps can be clicked on every line.
    struct LinkSpan {
        double x1, x2, top, bottom;
    };
    bool inLink = false;
    std::vector<LinkSpan> linkSpans;
    // Whether some of the link's text stands elsewhere than the pen passed (right-to-left text
    // is drawn mirrored or reordered): then only the spans say where it is.
    bool linkSpansMoved = false;
    bool linkAudio = false;
    std::string linkPlayer;
    bool inSvg = false;
    std::string svgBuffer;
    std::string picWidth, picHeight, picSource;
    int pictureIndex = 0;
    // The pictures placed so far in this pass; the table grows as the document needs.
    std::vector<PictureRecord> pictures = std::vector<PictureRecord>(1);
    int linkCount = 0;
    std::vector<LinkRecord> links = std::vector<LinkRecord>(kLinkCapacity);

    // The base direction of the paragraph being laid out, as a bidirectional level: -1 until a
    // dir attribute or its first strong character says, then 0 (left to right) or 1.
    int paragraphLevel = -1;
    // What the dir attributes of the elements open now declare (-1: nothing, or "auto"), and the
    // language their lang attributes name ("" when none does).
    int declaredLevel = -1;
    std::string language;

    // True once something was drawn on the current line: only a line's first run is aligned.
    bool lineStarted = false;
    // True after a wrap until the next word: blanks there would only indent the new line.
    bool skipBlanks = false;
    void ClearText() { textBuffer.clear(); }
    void TruncateText(std::size_t length) {
        textBuffer.resize(std::min(length, textBuffer.size()));
    }

    // What the layout context already holds, so that handing the same style over again costs
    // nothing: the font last selected and the text colour last made the source.
    const void* fontOnContext = nullptr;
    bool sourceIsTextColor = false;
    std::uint32_t sourceRed = 0, sourceGreen = 0, sourceBlue = 0;

    // True while the target is known to be plain white, as a draw's fresh page is until
    // something is drawn on it: painting a white page background over it would change nothing.
    bool blankWhitePage = false;

    // When set, every glyph and line drawn is recorded here.
    LayoutTrace* trace = nullptr;
    // When set, every line box laid out is written to it (--dump-layout).
    LineBoxDump* dump = nullptr;

    // Where a pass that draws for the screen may end: below this line nothing it would still lay
    // out can reach the rows on view. A draw sets it far enough below the view for the tallest
    // line there can be; every other pass lays the whole document out. endedEarly says whether
    // the last pass ended there (then its positions and records stop there too).
    double endBelow = std::numeric_limits<double>::infinity();
    bool endedEarly = false;

    // Whether the pass may begin at a checkpoint kept by an earlier pass over the same layout
    // (a draw for the screen), rather than at the top of the document.
    bool resumable = false;
    // Whether the last pass began at a checkpoint.
    bool resumed = false;
    // The height of the tallest font the pass has laid text out in.
    double tallestFont = 0.0;

    // Rows of the target surface that can show anything; glyphs outside are measured, not drawn.
    double visibleTop = -std::numeric_limits<double>::infinity();
    double visibleBottom = std::numeric_limits<double>::infinity();

    void ShowRows(double top, double bottom) {
        visibleTop = top;
        visibleBottom = bottom;
    }
    // A pass that only measures: positions as always, no glyph drawn.
    void ShowNothing() {
        ShowRows(std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity());
    }
    // A pass onto a surface without edges to cut at (a PDF page).
    void ShowEverything() {
        ShowRows(-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity());
    }
};

}  // namespace quirelle
