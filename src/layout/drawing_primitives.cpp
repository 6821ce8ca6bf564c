#include "layout/drawing_primitives.hpp"

#include "layout/layout_context.hpp"
#include "layout/text_flow.hpp"
#include "platform/paths.hpp"

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

void AddLinkRectangle(LayoutContext& context, double x1, double y1, double x2, double y2,
                      int control) {
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
    link.control = control;
    link.Hlink = layout.linkHref;
    link.Player = layout.linkPlayer;
    ++layout.linkCount;
}

void DrawAudioControls(LayoutContext& context) {
    LayoutState& layout = context.state;
    cairo_t* cr = layout.cr;
    if (!context.audioIconsRead) {
        context.audioIconsRead = true;
        const char* names[] = {"play.png", "pause.png", "stop.png"};
        for (int i = 0; i < 3; ++i) {
            CairoSurface icon(
                cairo_image_surface_create_from_png(PicturePath(names[i]).string().c_str()));
            if (cairo_surface_status(icon.get()) == CAIRO_STATUS_SUCCESS) {
                context.audioIcons[i] = std::move(icon);
            }
        }
    }
    double x, y;
    cairo_get_current_point(cr, &x, &y);
    layout.blankWhitePage = false;
    layout.sourceIsTextColor = false;
    cairo_save(cr);
    cairo_rectangle(cr, x, y, 99.0, 40.0);
    cairo_set_source_rgb(cr, 0.8, 0.8, 1.0);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.5, 0.5, 0.9);
    cairo_stroke(cr);
    cairo_restore(cr);
    for (int i = 0; i < 3; ++i) {
        const double left = x + 2.0 + 32.0 * i;
        if (context.audioIcons[i]) {
            cairo_save(cr);
            cairo_translate(cr, left, y + 4.0);
            cairo_rectangle(cr, 0, 0, 32.0, 32.0);
            cairo_set_source_surface(cr, context.audioIcons[i].get(), 0, 0);
            cairo_fill(cr);
            cairo_restore(cr);
        }
        AddLinkRectangle(context, left, y + 4.0, left + 32.0, y + 36.0, i);
    }
    cairo_move_to(cr, x, y);
    layout.lineHeight = 50.0;
}

}  // namespace quirelle
