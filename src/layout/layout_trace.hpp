#pragma once

#include <string>
#include <vector>

namespace quirelle {

// What a layout pass drew, for tests and diagnostics: every glyph with its pen position and
// style, and every line stroked (decorations, rules). Recorded only when a trace is attached.
struct LayoutTrace {
    struct Glyph {
        std::string text;  // UTF-8
        double x;
        double baseline;
        int slant;
        int weight;
        int decoration;
    };
    struct Line {
        double x1, y1, x2, y2;
        double width;
    };
    std::vector<Glyph> glyphs;
    std::vector<Line> lines;
};

}  // namespace quirelle
