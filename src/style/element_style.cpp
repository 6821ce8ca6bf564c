#include "style/element_style.hpp"

namespace quirelle {

namespace {

ColorComponents FromSettings(const SettingsColor& color) {
    return {color.red, color.green, color.blue};
}

const StyleSetting& RowOf(const Settings& settings, ElementKind kind) {
    switch (kind) {
        case ElementKind::Header1:
            return settings.header1;
        case ElementKind::Header2:
            return settings.header2;
        case ElementKind::Header3:
            return settings.header3;
        case ElementKind::Header4:
            return settings.header4;
        // Every row of the settings window gives its kind's family and size; a row that shows
        // but changes nothing would only mislead.
        case ElementKind::Link:
            return settings.hyperlink;
        case ElementKind::Preformatted:
            return settings.preformated;
        case ElementKind::Strong:
            return settings.strong;
        case ElementKind::Emphasis:
            return settings.emphasis;
        case ElementKind::ListItem:
            return settings.list;
        default:
            return settings.standart;
    }
}

bool IsHeading(ElementKind kind) {
    return kind == ElementKind::Header1 || kind == ElementKind::Header2 ||
           kind == ElementKind::Header3 || kind == ElementKind::Header4;
}

}  // namespace

void SetElementKindDefaults(TextStyle& style, const Settings& settings, ElementKind kind) {
    style.backgroundColor = kWhiteComponents;
    style.textColor = kBlackComponents;
    const StyleSetting& row = RowOf(settings, kind);
    style.fontFamily = row.font;
    style.fontSize = LeadingInteger(row.size);
    style.rootFontSize = style.fontSize;

    if (kind == ElementKind::Link) {
        style.textColor = FromSettings(settings.hyperlinkColor);
        style.decoration = Decoration::Underline;
        return;
    }
    if (kind == ElementKind::Preformatted) {
        style.textColor = FromSettings(settings.preformatedColor);
    }
    style.fontWeight = IsHeading(kind) || kind == ElementKind::Strong ? 1 : 0;
    style.fontSlant = kind == ElementKind::Emphasis ? 1 : 0;
    style.textAlign = TextAlign::Left;
    style.decoration = Decoration::None;
}

}  // namespace quirelle
