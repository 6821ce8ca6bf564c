#include "style/element_style.hpp"

#include "layout/cairo_style.hpp"
#include "view/document_view.hpp"

namespace quirelle {

namespace {

ColorComponents FromSettings(const SettingsColor& color) {
    return {color.red, color.green, color.blue};
}

const StyleSetting& RowOf(const Settings& settings, int kind) {
    switch (kind) {
        case 1: return settings.header1;
        case 3: return settings.header2;
        case 4: return settings.header3;
        case 5: return settings.header4;
        default: return settings.standart;
    }
}

}  // namespace

void SelectElementStyle(DocumentView& view, const Settings& settings, int kind) {
    DocumentViewData& data = view.Data();
    TextStyle& style = data.style;
    style.backgroundColor = kWhiteComponents;
    style.textColor = kBlackComponents;
    const StyleSetting& row = RowOf(settings, kind);
    style.fontFamily = row.font;
    style.fontSize = LeadingInteger(row.size);
    style.rootFontSize = style.fontSize;

    const bool heading = kind == 1 || kind == 3 || kind == 4 || kind == 5;
    if (kind == 6) {
        // Links keep the weight, slant and alignment of the text around them.
        style.textColor = FromSettings(settings.hyperlinkColor);
        style.decoration = Decoration::Underline;
    } else {
        if (kind == 7) {
            style.textColor = FromSettings(settings.preformatedColor);
        }
        style.fontWeight = heading || kind == 8 ? 1 : 0;
        style.fontSlant = kind == 9 ? 1 : 0;
        style.textAlign = TextAlign::Left;
        style.decoration = Decoration::None;
    }
    PutStyleIntoCairo(data);
    if (data.layout.cr != nullptr) {
        data.layout.lineHeight = CurrentFontHeight(data);
    }
}

}  // namespace quirelle
