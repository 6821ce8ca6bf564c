#include "style/style_values.hpp"

#include <cstdlib>
#include <string>

#include "style/color_value.hpp"
#include "style/css_dump.hpp"

namespace quirelle {

namespace {

template <typename Setting, std::size_t N>
void ApplyKeyword(Setting& setting, std::string_view value,
                  const std::pair<std::string_view, Setting> (&keywords)[N]) {
    for (const auto& [keyword, meaning] : keywords) {
        if (value == keyword) {
            setting = meaning;
        }
    }
}

std::string_view UpToComma(std::string_view text) {
    return text.substr(0, text.find(','));
}

}  // namespace

void ApplyTextAlign(TextStyle& style, std::string_view value) {
    // Justified text is laid out as left-aligned.
    static const std::pair<std::string_view, TextAlign> kKeywords[] = {
        {"left", TextAlign::Left},
        {"right", TextAlign::Right},
        {"center", TextAlign::Center},
        {"justify", TextAlign::Left}};
    ApplyKeyword(style.textAlign, value, kKeywords);
}

void ApplyPictureAlign(TextStyle& style, std::string_view value) {
    static const std::pair<std::string_view, TextAlign> kKeywords[] = {
        {"left", TextAlign::Left}, {"right", TextAlign::Right}, {"center", TextAlign::Center}};
    ApplyKeyword(style.pictureAlign, value, kKeywords);
}

void ApplyTextDecoration(TextStyle& style, std::string_view value) {
    static const std::pair<std::string_view, Decoration> kKeywords[] = {
        {"underline", Decoration::Underline},
        {"overline", Decoration::Overline},
        {"line-through", Decoration::LineThrough},
        {"blink", Decoration::Blink},
        {"none", Decoration::None}};
    ApplyKeyword(style.decoration, value, kKeywords);
}

void ApplyFontWeight(TextStyle& style, std::string_view value) {
    static const std::pair<std::string_view, int> kKeywords[] = {{"bold", 1}, {"normal", 0}};
    ApplyKeyword(style.fontWeight, value, kKeywords);
}

void ApplyFontStyle(TextStyle& style, std::string_view value) {
    static const std::pair<std::string_view, int> kKeywords[] = {{"italic", 1}, {"normal", 0}};
    ApplyKeyword(style.fontSlant, value, kKeywords);
}

void ApplyFontFamily(TextStyle& style, std::string_view value, bool debugCss) {
    if (value.empty()) {
        return;
    }
    // Code must stay monospaced: the generic monospace family is a monospaced face.
    static const std::pair<std::string_view, std::string_view> kGeneric[] = {
        {"serif", "Times New Roman"},
        {"sans-serif", "Arial"},
        {"cursive", "Comic Sans MS"},
        {"fantasy", "Georgia"},
        {"monospace", "Courier New"}};
    static const std::pair<std::string_view, std::string_view> kRestored[] = {
        {"TimesNewRoman", "Times New Roman"},
        {"ComicSansMS", "Comic Sans MS"},
        {"ArialUnicodeMS", "Arial Unicode MS"},
        {"CourierNew", "Courier New"}};
    std::string family;
    bool generic = false;
    for (const auto& [name, system] : kGeneric) {
        if (value == name) {
            family = system;
            generic = true;
        }
    }
    if (!generic) {
        // The name between the first two double quotes; a fallback list after it is not read.
        const std::size_t open = value.find('"');
        if (open != std::string_view::npos) {
            const std::size_t close = value.find('"', open + 1);
            family = value.substr(open + 1, close == std::string_view::npos ? std::string_view::npos
                                                                            : close - open - 1);
        }
        for (const auto& [stripped, restored] : kRestored) {
            if (family == stripped) {
                family = restored;
            }
        }
    }
    style.fontFamily = family;
    DumpCss(debugCss, [&] { return " -- Font = " + style.fontFamily + "\n"; });
}

void ApplyFontSize(TextStyle& style, std::string_view value) {
    if (value.empty()) {
        return;
    }
    // The leading number as strtod reads it; no number reads as 0.
    const std::string text(value);
    const double n = std::strtod(text.c_str(), nullptr);
    if (value.find("em") != std::string_view::npos) {
        style.fontSize *= n;
    }
    if (value.find("rem") != std::string_view::npos) {
        style.fontSize = style.rootFontSize * n;
    }
    if (value.find('%') != std::string_view::npos) {
        style.fontSize = style.fontSize / 100.0 * n;
    }
    if (value.find("px") != std::string_view::npos) {
        style.fontSize = n;
    }
}

void ApplyTextColor(TextStyle& style, std::string_view value) {
    if (value.empty()) {
        return;
    }
    if (const auto color = ParseColorValue(value)) {
        style.textColor = *color;
    }
}

void ApplyBackgroundColor(TextStyle& style, std::string_view value) {
    if (const auto color = ParseColorValue(value.empty() ? "white" : value)) {
        style.backgroundColor = *color;
    }
}

void ApplyBackgroundImage(TextStyle& style, std::string_view image, std::string_view repeat,
                          bool debugCss) {
    if (image.empty()) {
        return;
    }
    DumpCss(debugCss, [&] {
        return "RAW = Pattern = " + std::string(image) + "   Repeat = " + std::string(repeat) +
               "\n";
    });
    // With several backgrounds only the first is used.
    const std::string_view pattern = UpToComma(image);
    const std::string_view mode = UpToComma(repeat);
    DumpCss(debugCss, [&] {
        return "Parsed = Pattern = " + std::string(pattern) +
               "   Repeat = " + style.backgroundRepeat + "\n";
    });
    // The path is what stands between quotes: url("a.png") gives a.png, url(a.png) nothing.
    std::string path;
    bool inside = false;
    for (const char c : pattern) {
        if (c == '\'' || c == '"') {
            inside = !inside;
        } else if (inside) {
            path += c;
        }
    }
    DumpCss(debugCss, [&] { return "BG-Path = " + style.backgroundPicture + "\n"; });
    style.backgroundPicture = path;
    style.backgroundRepeat = mode;
}

void ApplyStyleRule(TextStyle& style, const StyleRule& rule, std::string_view message,
                    bool debugCss) {
    DumpCss(debugCss, [&] {
        return "Element = " + rule.Element + " - Font = " + rule.Font +
               " - Fontsize = " + rule.Fontsize + " Align = " + rule.Align +
               " Deko = " + rule.Deko + " Weight = " + rule.Weight + " Style = " + rule.Style +
               " Color = " + rule.Color + " Pic_Align = " + rule.Pic_Align +
               " BG-color = " + rule.BGcolor + " BGimg = " + rule.BGimg +
               " BGRepeat = " + rule.BGRepeat + "\n";
    });
    if (message == "img") {
        ApplyPictureAlign(style, rule.Pic_Align);
        return;
    }
    if (message == "hr") {
        return;
    }
    ApplyTextAlign(style, rule.Align);
    ApplyFontFamily(style, rule.Font, debugCss);
    ApplyFontSize(style, rule.Fontsize);
    ApplyTextDecoration(style, rule.Deko);
    ApplyFontWeight(style, rule.Weight);
    ApplyFontStyle(style, rule.Style);
    ApplyTextColor(style, rule.Color);
    ApplyBackgroundColor(style, rule.BGcolor);
    ApplyBackgroundImage(style, rule.BGimg, rule.BGRepeat, debugCss);
}

}  // namespace quirelle
