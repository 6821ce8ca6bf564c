#include "layout/pictures.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "layout/layout_context.hpp"
#include "platform/dump_file.hpp"
#include "platform/paths.hpp"
#include "style/color_value.hpp"

namespace quirelle {

namespace {

// A length from an attribute text ("120", "120px", "50%"); what is no usable length counts as 0.
double AttributeLength(const std::string& text) {
    const double value = std::atof(text.c_str());
    return std::isfinite(value) && value > 0.0 ? value : 0.0;
}

// Reserves the rectangle of a picture at the pen by the picture alignment, records it and, when
// it lies in view, draws the picture in it, under the text that follows.
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
    // Pictures sit 5 across and 10 down against the place they reserve.
    record.x = px + 5.0;
    record.y = py + 10.0;
    record.width = width;
    record.height = height;
    layout.sourceIsTextColor = false;
    layout.blankWhitePage = false;
    const bool line = layout.picSource == "line";
    if (line) {
        cairo_set_source_rgb(cr, 0, 0, 0);
    } else {
        cairo_set_source_rgba(cr, 0, 0, 0, 0);
    }
    cairo_fill(cr);
    if (!line && record.y < layout.visibleBottom && record.y + height > layout.visibleTop) {
        context.pictureStore.Draw(cr, {record.name, record.svgText}, record.x, record.y, width,
                                  height);
    } else if (!line && layout.measurePass && record.y < context.areaHeight &&
               record.y + height > 0.0 &&
               cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_IMAGE) {
        // The pass that measures a page for the screen comes just before the one that draws its
        // first view: what that view will show is decoded meanwhile.
        context.pictureStore.DecodeAheadForScreen({record.name, record.svgText}, width, height);
    }
    cairo_move_to(cr, x + width, cy);
}

}  // namespace

void PlacePictureElement(LayoutContext& context) {
    LayoutState& layout = context.state;
    if (!layout.picSource.empty()) {
        PictureRecord& record = layout.pictures[static_cast<std::size_t>(layout.pictureIndex)];
        record.name = layout.picSource;
        // Sizes are learned once per book, so every pass may ask; a picture that cannot be
        // decoded has no size of its own.
        const PictureSize natural =
            context.pictureStore.NaturalSize({record.name, record.svgText}).value_or(PictureSize{});
        record.naturalWidth = natural.width;
        record.naturalHeight = natural.height;

        double width, height;
        if (layout.picWidth.empty()) {
            width = natural.width;
            height = natural.height;
        } else if (layout.picWidth.find('%') != std::string::npos) {
            width = natural.width / 100.0 * AttributeLength(layout.picWidth);
            height = natural.height;
        } else {
            width = AttributeLength(layout.picWidth);
            height = layout.picHeight.empty() ? natural.height : AttributeLength(layout.picHeight);
        }
        // A picture wider than the text would be cut off at the page's edge: it is shrunk to
        // the text's width, keeping its shape.
        const double textWidth = context.areaWidth - 2.0 * context.settings.HorizontalMarginValue();
        if (textWidth > 0.0 && width > textWidth) {
            height *= textWidth / width;
            width = textWidth;
        }
        PlacePicture(context, width, height);
    }
    layout.picSource.clear();
    layout.picWidth.clear();
    layout.picHeight.clear();
}

void PaintPageBackground(LayoutContext& context) {
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

    const TextStyle& style = context.style;
    if (!style.backgroundPicture.empty()) {
        const auto size = context.pictureStore.DrawBackground(
            cr, FilePart(style.backgroundPicture), style.backgroundRepeat, context.areaWidth,
            context.areaHeight);
        if (size) {
            context.state.blankWhitePage = false;
            if (context.debug.debugImages) {
                char numbers[64];
                std::snprintf(numbers, sizeof numbers, " Width = %d Height = %d\n", size->width,
                              size->height);
                WriteDump(RamPath("debug_image.txt"),
                          "BG-Pic = " + style.backgroundPicture +
                              " Repeat = " + style.backgroundRepeat + numbers,
                          DumpMode::Append);
            }
        }
    }
}

void BeginPageContent(LayoutContext& context) {
    PaintPageBackground(context);
    const Settings& settings = context.settings;
    cairo_move_to(context.state.cr, settings.HorizontalMarginValue(),
                  settings.VerticalMarginValue() - context.scrollY);
}

}  // namespace quirelle
