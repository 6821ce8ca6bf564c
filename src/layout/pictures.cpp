#include "layout/pictures.hpp"

#include <cstdlib>
#include <string>

#include "layout/layout_context.hpp"
#include "style/color_value.hpp"

namespace quirelle {

namespace {

// Reserves the rectangle of a picture at the pen by the picture alignment and records it.
void PlacePicture(LayoutContext& context, double width, double height) {
    LayoutState& layout = context.state;
    cairo_t* cr = layout.cr;
    double cx, cy;
    cairo_get_current_point(cr, &cx, &cy);
    double x;
    switch (context.style.pictureAlign) {
        case TextAlign::Left:
            x = cx;
            break;
        case TextAlign::Center:
            x = (context.areaWidth - width) * 0.5;
            break;
        case TextAlign::Right:
            x = context.areaWidth - context.settings.HorizontalMarginValue() - width;
            break;
        default:
            return;
    }
    cairo_rectangle(cr, x, cy, width, height);
    double px, py;
    cairo_get_current_point(cr, &px, &py);
    PictureRecord& record = layout.pictures[static_cast<std::size_t>(layout.pictureIndex)];
    // The picture layer sits 5 across and 10 down against the page.
    record.x = px + 5.0;
    record.y = py + 10.0;
    record.width = width;
    record.height = height;
    layout.sourceIsTextColor = false;
    layout.blankWhitePage = false;
    if (layout.picSource == "line") {
        cairo_set_source_rgb(cr, 0, 0, 0);
    } else {
        cairo_set_source_rgba(cr, 0, 0, 0, 0);
    }
    cairo_fill(cr);
    cairo_move_to(cr, x + width, cy);
}

}  // namespace

// FIXME: pictures are not decoded yet: a picture takes the size its attributes give (none without
// them) and its place stays empty.
void PlacePictureElement(LayoutContext& context) {
    LayoutState& layout = context.state;
    if (!layout.picSource.empty()) {
        PictureRecord& record = layout.pictures[static_cast<std::size_t>(layout.pictureIndex)];
        const bool relative = layout.picWidth.find('%') != std::string::npos;
        const double width = relative
                                 ? record.naturalWidth * std::atof(layout.picWidth.c_str()) / 100.0
                                 : std::atof(layout.picWidth.c_str());
        const double height = relative || layout.picHeight.empty()
                                  ? record.naturalHeight
                                  : std::atof(layout.picHeight.c_str());
        record.name = layout.picSource;
        PlacePicture(context, width, height);
    }
    layout.picSource.clear();
    layout.picWidth.clear();
    layout.picHeight.clear();
}

void ResizeLayoutSurface(LayoutContext& context) {
    if (context.pageLength < 100.0) {
        context.pageLength = 1100.0;
    } else if (context.pageLength > 30000.0) {
        context.pageLength = 30000.0;
    }
    context.layoutCr.reset();
    context.layoutSurface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1280,
                                                           static_cast<int>(context.pageLength)));
    context.layoutCr.reset(cairo_create(context.layoutSurface.get()));
}

void DrawPictures(LayoutContext& context, int /*count*/) {
    // A layer made afresh is already clear: clearing it again would only touch every byte of a
    // surface that may be 1280 by 30000 pixels.
    ResizeLayoutSurface(context);
    context.pictureLayerEmpty = true;
}

void BeginPageContent(LayoutContext& context) {
    cairo_t* cr = context.state.cr;
    const ColorComponents background = PaintedBackground(context.style.backgroundColor);
    const bool white = (background.red >> 24) == 0xFF && (background.green >> 24) == 0xFF &&
                       (background.blue >> 24) == 0xFF;
    if (!(white && context.state.blankWhitePage)) {
        cairo_save(cr);
        cairo_rectangle(cr, 0, 0, context.areaWidth, context.areaHeight);
        cairo_set_source_rgb(cr, ColorComponentToIntensity(background.red),
                             ColorComponentToIntensity(background.green),
                             ColorComponentToIntensity(background.blue));
        cairo_fill(cr);
        cairo_restore(cr);
    }
    context.state.blankWhitePage = white;

    // FIXME: background pictures are not drawn yet.

    if (!context.pictureLayerEmpty) {
        context.state.blankWhitePage = false;
        cairo_save(cr);
        cairo_translate(cr, 0, -context.scrollY);
        cairo_rectangle(cr, 0, 0, 1280.0, context.pageLength);
        cairo_set_source_surface(cr, context.layoutSurface.get(), 0, 0);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_NONE);
        cairo_fill(cr);
        cairo_restore(cr);
    }

    const Settings& settings = context.settings;
    cairo_move_to(cr, settings.HorizontalMarginValue(),
                  settings.VerticalMarginValue() - context.scrollY);
}

}  // namespace quirelle
