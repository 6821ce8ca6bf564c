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
    double x, y;
    cairo_get_current_point(context.state.cr, &x, &y);
    AddLinkRectangle(context, x - context.state.linkWidth, y, x, y + context.state.lineHeight);
}

void AddLinkRectangle(LayoutContext& context, double x1, double y1, double x2, double y2) {
    LayoutState& layout = context.state;
    if (static_cast<std::size_t>(layout.linkCount) >= layout.links.size()) {
        return;
    }
    LinkRecord& link = layout.links[static_cast<std::size_t>(layout.linkCount)];
    link.x1 = x1;
    link.x2 = x2;
    link.y1 = y1;
    link.y2 = y2;
    link.Audio = layout.linkAudio ? 1 : 0;
    link.control = 0;
    link.Hlink = layout.linkHref;
    link.Player = layout.linkPlayer;
    ++layout.linkCount;
}

void DrawAudioControls(LayoutContext&) {}

}  // namespace quirelle
