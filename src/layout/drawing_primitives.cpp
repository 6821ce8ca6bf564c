#include "layout/drawing_primitives.hpp"

#include "layout/layout_context.hpp"
#include "layout/text_flow.hpp"

namespace quirelle {

void DrawRule(LayoutContext& context) {
    cairo_t* cr = context.state.cr;
    double x, y;
    cairo_get_current_point(cr, &x, &y);
    if (LayoutTrace* trace = context.state.trace) {
        trace->lines.push_back(
            {50.0, y + 10.0, context.areaWidth - 50.0, y + 10.0, cairo_get_line_width(cr)});
    }
    cairo_move_to(cr, 50.0, y + 10.0);
    cairo_line_to(cr, context.areaWidth - 50, y + 10.0);
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    context.state.sourceIsTextColor = false;
    context.state.blankWhitePage = false;
    cairo_stroke(cr);
    cairo_move_to(cr, x, y);
}

void AddLink(LayoutContext& context) {
    LayoutState& layout = context.state;
    if (static_cast<std::size_t>(layout.linkCount) >= layout.links.size()) {
        return;
    }
    double x, y;
    cairo_get_current_point(layout.cr, &x, &y);
    LinkRecord& link = layout.links[static_cast<std::size_t>(layout.linkCount)];
    link.x1 = x - layout.linkWidth;
    link.x2 = x;
    link.y1 = y;
    link.y2 = y + layout.lineHeight;
    link.Audio = layout.linkAudio ? 1 : 0;
    link.control = 0;
    link.Hlink = layout.linkHref;
    link.Player = layout.linkPlayer;
    ++layout.linkCount;
}

void DrawAudioControls(LayoutContext&) {}

void ApplyElementStyle(LayoutContext&, std::string_view) {}
void AddStyleBlock(LayoutContext&, std::string_view) {}
void ParseAllRules(LayoutContext&) {}

}  // namespace quirelle
