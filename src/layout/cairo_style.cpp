#include "layout/cairo_style.hpp"

#include "layout/layout_context.hpp"
#include "style/color_value.hpp"
#include "style/css_dump.hpp"
#include "style/element_style.hpp"
#include "style/style_values.hpp"

namespace quirelle {

namespace {

// A size of 0 (a rule's "abcpx"), an infinite one ("1e999em") or one of millions of pixels would
// put the cairo context into an error state, losing the rest of the page, or make each glyph an
// image larger than memory. cairo gets a size it can draw; the style keeps what the book said.
constexpr double kSmallestFontSize = 0.01;

double DrawableFontSize(double size) {
    if (!(size >= kSmallestFontSize)) {  // also NaN
        return kSmallestFontSize;
    }
    return size > kLargestDrawableFontSize ? kLargestDrawableFontSize : size;
}

// The style handed to cairo, and the line height taken from its font.
void PutStyleAndLineHeightIntoCairo(LayoutContext& context) {
    PutStyleIntoCairo(context);
    if (context.state.cr != nullptr) {
        context.state.lineHeight = CurrentFontHeight(context);
    }
}

}  // namespace

void PutStyleIntoCairo(LayoutContext& context) {
    cairo_t* cr = context.state.cr;
    if (cr == nullptr) {
        return;
    }
    const TextStyle& style = context.style;
    const double size = DrawableFontSize(style.fontSize);
    if (context.referenceRendering) {
        cairo_select_font_face(cr, style.fontFamily.c_str(),
                               static_cast<cairo_font_slant_t>(style.fontSlant),
                               static_cast<cairo_font_weight_t>(style.fontWeight));
        cairo_matrix_t matrix;
        cairo_matrix_init_scale(&matrix, size, size);
        cairo_set_font_matrix(cr, &matrix);
        context.currentFont = nullptr;
    } else {
        LayoutState& layout = context.state;
        FontMetrics& font =
            context.fonts.Find(cr, style.fontFamily, style.fontSlant, style.fontWeight, size);
        if (layout.fontOnContext != &font) {
            context.fonts.Use(cr, font);
            layout.fontOnContext = &font;
        }
        context.currentFont = &font;
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

double CurrentFontHeight(LayoutContext& context) {
    if (context.currentFont != nullptr && !context.referenceRendering) {
        return context.currentFont->extents().height;
    }
    cairo_font_extents_t extents;
    cairo_font_extents(context.state.cr, &extents);
    return extents.height;
}

FontMetrics& CurrentFontMetrics(LayoutContext& context) {
    if (context.currentFont != nullptr && !context.referenceRendering) {
        return *context.currentFont;
    }
    const TextStyle& style = context.style;
    return context.fonts.Find(context.state.cr, style.fontFamily, style.fontSlant, style.fontWeight,
                              DrawableFontSize(style.fontSize));
}

void ApplyFont(LayoutContext& context) {
    PutStyleIntoCairo(context);
}

void ApplyFontAndLineHeight(LayoutContext& context) {
    PutStyleIntoCairo(context);
    if (!context.state.textBuffer.empty() && context.state.cr != nullptr) {
        context.state.lineHeight = CurrentFontHeight(context);
    }
}

void SetTextColor(LayoutContext& context, std::string_view text) {
    ApplyTextColor(context.style, text);
}

void SetBackgroundColor(LayoutContext& context, std::string_view text) {
    if (const auto color = ParseColorValue(text)) {
        context.style.backgroundColor = *color;
    }
}

void SelectElementStyle(LayoutContext& context, ElementKind kind) {
    SetElementKindDefaults(context.style, context.settings, kind);
    PutStyleAndLineHeightIntoCairo(context);
}

void ApplyElementStyle(LayoutContext& context, std::string_view message) {
    if (!context.cssEnabled) {
        return;
    }
    const bool debugCss = context.debug.debugCss;
    const StyleSheet& sheet = context.styleSheet;
    const std::string_view key = message.substr(0, message.find(' '));
    const std::size_t dot = key.find('.');
    auto find = [&](std::string_view tried) {
        DumpCss(debugCss, [&] {
            return "-----------------------------\n--------------------------\n"
                   "--------------    " +
                   std::string(tried) + "    ----------------\n";
        });
        return sheet.FindStyleRule(tried, debugCss);
    };
    // The later tries cost a key built for them, so they are built only when needed.
    int found = find(key);
    if (found < 0) {
        std::string attributeKey(key.substr(0, dot));
        attributeKey += "[epub|type=\"";
        if (dot != std::string_view::npos) {
            for (const char c : key.substr(dot + 1)) {
                if (c != '.') {
                    attributeKey += c;
                }
            }
        }
        attributeKey += "\"]";
        found = find(attributeKey);
    }
    if (found < 0 && dot != std::string_view::npos) {
        found = find(key.substr(dot));
    }
    if (found < 0) {
        return;
    }
    ApplyStyleRule(context.style, sheet.rules()[static_cast<std::size_t>(found)], message,
                   debugCss);
    PutStyleAndLineHeightIntoCairo(context);
}

void AddStyleBlock(LayoutContext& context, std::string_view text) {
    context.styleSheet.AddStyleBlock(text, context.debug.debugCss);
}

void ParseAllRules(LayoutContext& context) {
    context.styleSheet.ParseAllRules(context.style.fontFamily, context.debug.debugCss);
}

}  // namespace quirelle
