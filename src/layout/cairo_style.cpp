#include "layout/cairo_style.hpp"

#include "layout/color_value.hpp"
#include "view/document_view_data.hpp"

namespace quirelle {

void PutStyleIntoCairo(DocumentViewData& data) {
    cairo_t* cr = data.layout.cr;
    if (cr == nullptr) {
        return;
    }
    const TextStyle& style = data.style;
    if (data.referenceRendering) {
        cairo_select_font_face(cr, style.fontFamily.c_str(),
                               static_cast<cairo_font_slant_t>(style.fontSlant),
                               static_cast<cairo_font_weight_t>(style.fontWeight));
        cairo_matrix_t matrix;
        cairo_matrix_init_scale(&matrix, style.fontSize, style.fontSize);
        cairo_set_font_matrix(cr, &matrix);
        data.currentFont = nullptr;
    } else {
        LayoutState& layout = data.layout;
        FontMetrics& font = data.fonts.Find(cr, style.fontFamily, style.fontSlant,
                                            style.fontWeight, style.fontSize);
        if (layout.fontOnContext != &font) {
            data.fonts.Use(cr, font);
            layout.fontOnContext = &font;
        }
        data.currentFont = &font;
        const ColorComponents& color = style.textColor;
        if (layout.sourceIsTextColor && layout.sourceRed == color.red &&
            layout.sourceGreen == color.green && layout.sourceBlue == color.blue) {
            return;
        }
        layout.sourceIsTextColor = true;
        layout.sourceRed = color.red;
        layout.sourceGreen = color.green;
        layout.sourceBlue = color.blue;
    }
    cairo_set_source_rgb(cr, ColorComponentToIntensity(style.textColor.red),
                         ColorComponentToIntensity(style.textColor.green),
                         ColorComponentToIntensity(style.textColor.blue));
}

double CurrentFontHeight(DocumentViewData& data) {
    if (data.currentFont != nullptr && !data.referenceRendering) {
        return data.currentFont->extents().height;
    }
    cairo_font_extents_t extents;
    cairo_font_extents(data.layout.cr, &extents);
    return extents.height;
}

}  // namespace quirelle
