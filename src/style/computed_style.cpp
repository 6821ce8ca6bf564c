#include "style/computed_style.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "style/color_value.hpp"

namespace quirelle {

namespace {

// Lengths past any page are clamped, so that a hostile value stays a finite number the layout
// can turn into an int; browsers clamp font sizes in the same way.
constexpr double kMaxLength = 1e7;
constexpr double kMaxFontSize = 10000;
// `normal` line height, as most fonts' ascent and descent add up to.
constexpr double kNormalLineHeight = 1.2;
// `smaller` and `larger` step by this ratio.
constexpr double kFontSizeStep = 1.2;

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Where the quoted string starting at `start` ends (one past the closing quote, or the end of
// the text for a string left open, which CSS closes at the end).
std::size_t SkipString(std::string_view text, std::size_t start) {
    const char quote = text[start];
    std::size_t i = start + 1;
    while (i < text.size() && text[i] != quote) {
        i += text[i] == '\\' ? 2 : 1;
    }
    return std::min(i + 1, text.size());
}

// The component values of a property value: split at white space and around '/', with strings
// and parenthesised functions kept whole. With a separator, splits at that character instead
// (commas of a family list), keeping everything else.
std::vector<std::string_view> SplitTopLevel(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    std::size_t depth = 0;
    std::size_t i = 0;
    const auto flush = [&](std::size_t end) {
        const std::string_view part = Trim(text.substr(start, end - start));
        if (!part.empty() || separator != ' ') {
            parts.push_back(part);
        }
    };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            i = SkipString(text, i);
            continue;
        }
        if (c == '\\') {
            i = std::min(i + 2, text.size());
            continue;
        }
        if (c == '(') {
            ++depth;
        } else if (c == ')' && depth > 0) {
            --depth;
        } else if (depth == 0) {
            const bool splits = separator == ' ' ? IsBlank(c) || c == '/' : c == separator;
            if (splits) {
                flush(i);
                if (c == '/') {
                    parts.push_back(text.substr(i, 1));
                }
                start = i + 1;
            }
        }
        ++i;
    }
    flush(text.size());
    return parts;
}

std::vector<std::string_view> SplitComponents(std::string_view text) {
    return SplitTopLevel(text, ' ');
}

// A number with its unit as written: "%" for a percentage, empty for a plain number.
struct Dimension {
    double number = 0;
    std::string_view unit;
};

std::optional<Dimension> ParseDimension(std::string_view token) {
    std::size_t i = 0;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        ++i;
    }
    const std::size_t digitsStart = i;
    while (i < token.size() && IsDigit(token[i])) {
        ++i;
    }
    bool digits = i > digitsStart;
    if (i < token.size() && token[i] == '.') {
        const std::size_t fraction = ++i;
        while (i < token.size() && IsDigit(token[i])) {
            ++i;
        }
        if (i == fraction) {
            return std::nullopt;
        }
        digits = true;
    }
    if (!digits) {
        return std::nullopt;
    }
    if (i + 1 < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        std::size_t j = i + 1;
        if (token[j] == '+' || token[j] == '-') {
            ++j;
        }
        if (j < token.size() && IsDigit(token[j])) {
            while (j < token.size() && IsDigit(token[j])) {
                ++j;
            }
            i = j;
        }
    }
    Dimension dimension;
    // from_chars takes a minus sign but not a plus one.
    const std::size_t numberStart = token[0] == '+' ? 1 : 0;
    const auto [end, error] =
        std::from_chars(token.data() + numberStart, token.data() + i, dimension.number);
    if (error != std::errc() || end != token.data() + i || !std::isfinite(dimension.number)) {
        return std::nullopt;
    }
    dimension.unit = token.substr(i);
    if (dimension.unit != "%" && !std::all_of(dimension.unit.begin(), dimension.unit.end(),
                                              [](char c) { return IsAsciiAlpha(c); })) {
        return std::nullopt;
    }
    return dimension;
}

// The px of an absolute, font-relative or viewport length; nothing for another unit, a
// percentage, or a plain number other than 0.
std::optional<double> LengthToPx(const Dimension& dimension, double emBase,
                                 const StyleContext& context) {
    struct Unit {
        std::string_view name;
        double px;
    };
    const Unit units[] = {
        {"px", 1},
        {"pt", 96.0 / 72.0},
        {"pc", 16},
        {"in", 96},
        {"cm", 96.0 / 2.54},
        {"mm", 96.0 / 25.4},
        {"q", 96.0 / 101.6},
        {"em", emBase},
        {"rem", context.rootFontSize},
        // Without the font's own measures, ex and ch take the half em that CSS allows.
        {"ex", emBase / 2},
        {"ch", emBase / 2},
        {"vw", context.viewportWidth / 100},
        {"vh", context.viewportHeight / 100},
        {"vmin", std::min(context.viewportWidth, context.viewportHeight) / 100},
        {"vmax", std::max(context.viewportWidth, context.viewportHeight) / 100},
    };
    if (dimension.unit.empty()) {
        if (dimension.number == 0) {
            return 0.0;
        }
        return std::nullopt;
    }
    for (const Unit& unit : units) {
        if (EqualsIgnoreCase(dimension.unit, unit.name)) {
            return std::clamp(dimension.number * unit.px, -kMaxLength, kMaxLength);
        }
    }
    return std::nullopt;
}

// What a length property takes besides lengths.
enum LengthAccepts : unsigned {
    kLengthOnly = 0,
    kPercent = 1,
    kAuto = 2,
    kNone = 4,
    kNegative = 8,
};

std::optional<ComputedLength> ParseLength(std::string_view token, double emBase,
                                          const StyleContext& context, unsigned accepts) {
    if ((accepts & kAuto) != 0 && EqualsIgnoreCase(token, "auto")) {
        return ComputedLength::Auto();
    }
    if ((accepts & kNone) != 0 && EqualsIgnoreCase(token, "none")) {
        return ComputedLength::None();
    }
    const auto dimension = ParseDimension(token);
    if (!dimension || (dimension->number < 0 && (accepts & kNegative) == 0)) {
        return std::nullopt;
    }
    if (dimension->unit == "%") {
        if ((accepts & kPercent) == 0) {
            return std::nullopt;
        }
        return ComputedLength::Percent(std::clamp(dimension->number, -kMaxLength, kMaxLength));
    }
    if (const auto px = LengthToPx(*dimension, emBase, context)) {
        return ComputedLength::Px(*px);
    }
    return std::nullopt;
}

template <typename T>
struct Keyword {
    std::string_view name;
    T value;
};

template <typename T, std::size_t N>
std::optional<T> LookupKeyword(std::string_view text, const Keyword<T> (&table)[N]) {
    for (const Keyword<T>& keyword : table) {
        if (EqualsIgnoreCase(text, keyword.name)) {
            return keyword.value;
        }
    }
    return std::nullopt;
}

constexpr Keyword<CssDisplay> kDisplays[] = {
    {"none", CssDisplay::None},
    {"block", CssDisplay::Block},
    {"flex", CssDisplay::Block},
    {"grid", CssDisplay::Block},
    {"inline", CssDisplay::Inline},
    {"inline-block", CssDisplay::InlineBlock},
    {"inline-flex", CssDisplay::InlineBlock},
    {"inline-grid", CssDisplay::InlineBlock},
    {"list-item", CssDisplay::ListItem},
    {"table", CssDisplay::Table},
    {"table-row", CssDisplay::TableRow},
    {"table-cell", CssDisplay::TableCell},
    {"table-caption", CssDisplay::TableCaption},
    {"table-row-group", CssDisplay::TableRowGroup},
    {"table-header-group", CssDisplay::TableHeaderGroup},
    {"table-footer-group", CssDisplay::TableFooterGroup},
    {"table-column", CssDisplay::TableColumn},
    {"table-column-group", CssDisplay::TableColumnGroup},
    {"ruby", CssDisplay::Ruby},
    {"ruby-text", CssDisplay::RubyText},
};

constexpr Keyword<CssFontStyle> kFontStyles[] = {
    {"normal", CssFontStyle::Normal},
    {"italic", CssFontStyle::Italic},
    {"oblique", CssFontStyle::Oblique},
};

constexpr Keyword<CssFontVariant> kFontVariants[] = {
    {"normal", CssFontVariant::Normal},
    {"small-caps", CssFontVariant::SmallCaps},
};

// The sizes browsers give the keywords when `medium` is 16 px (9, 10, 13, 16, 18, 24, 32 and
// 48 px), as fractions of medium, rather than the rounder factors of the fonts module: books
// are made and checked in browsers.
constexpr Keyword<double> kFontSizeKeywords[] = {
    {"xx-small", 9.0 / 16.0}, {"x-small", 10.0 / 16.0}, {"small", 13.0 / 16.0}, {"medium", 1.0},
    {"large", 18.0 / 16.0},   {"x-large", 24.0 / 16.0}, {"xx-large", 2.0},      {"xxx-large", 3.0},
};

constexpr Keyword<CssTextAlign> kTextAligns[] = {
    {"start", CssTextAlign::Start},   {"end", CssTextAlign::End},
    {"left", CssTextAlign::Left},     {"right", CssTextAlign::Right},
    {"center", CssTextAlign::Center}, {"justify", CssTextAlign::Justify},
};

constexpr Keyword<CssTextTransform> kTextTransforms[] = {
    {"none", CssTextTransform::None},
    {"capitalize", CssTextTransform::Capitalize},
    {"uppercase", CssTextTransform::Uppercase},
    {"lowercase", CssTextTransform::Lowercase},
};

constexpr Keyword<CssWhiteSpace> kWhiteSpaces[] = {
    {"normal", CssWhiteSpace::Normal},    {"pre", CssWhiteSpace::Pre},
    {"nowrap", CssWhiteSpace::Nowrap},    {"pre-wrap", CssWhiteSpace::PreWrap},
    {"pre-line", CssWhiteSpace::PreLine},
};

constexpr Keyword<VerticalAlignKind> kVerticalAligns[] = {
    {"baseline", VerticalAlignKind::Baseline}, {"sub", VerticalAlignKind::Sub},
    {"super", VerticalAlignKind::Super},       {"top", VerticalAlignKind::Top},
    {"middle", VerticalAlignKind::Middle},     {"bottom", VerticalAlignKind::Bottom},
    {"text-top", VerticalAlignKind::TextTop},  {"text-bottom", VerticalAlignKind::TextBottom},
};

constexpr Keyword<CssBorderStyle> kBorderStyles[] = {
    {"none", CssBorderStyle::None},     {"hidden", CssBorderStyle::Hidden},
    {"dotted", CssBorderStyle::Dotted}, {"dashed", CssBorderStyle::Dashed},
    {"solid", CssBorderStyle::Solid},   {"double", CssBorderStyle::Double},
    {"groove", CssBorderStyle::Groove}, {"ridge", CssBorderStyle::Ridge},
    {"inset", CssBorderStyle::Inset},   {"outset", CssBorderStyle::Outset},
};

constexpr Keyword<double> kBorderWidths[] = {{"thin", 1}, {"medium", 3}, {"thick", 5}};

constexpr Keyword<CssListStyleType> kListStyleTypes[] = {
    {"none", CssListStyleType::None},
    {"disc", CssListStyleType::Disc},
    {"circle", CssListStyleType::Circle},
    {"square", CssListStyleType::Square},
    {"decimal", CssListStyleType::Decimal},
    {"decimal-leading-zero", CssListStyleType::DecimalLeadingZero},
    {"lower-alpha", CssListStyleType::LowerAlpha},
    {"lower-latin", CssListStyleType::LowerAlpha},
    {"upper-alpha", CssListStyleType::UpperAlpha},
    {"upper-latin", CssListStyleType::UpperAlpha},
    {"lower-roman", CssListStyleType::LowerRoman},
    {"upper-roman", CssListStyleType::UpperRoman},
    {"lower-greek", CssListStyleType::LowerGreek},
};

constexpr Keyword<CssListStylePosition> kListStylePositions[] = {
    {"outside", CssListStylePosition::Outside},
    {"inside", CssListStylePosition::Inside},
};

constexpr Keyword<CssBackgroundRepeat> kBackgroundRepeats[] = {
    {"repeat", CssBackgroundRepeat::Repeat},    {"round", CssBackgroundRepeat::Repeat},
    {"space", CssBackgroundRepeat::Repeat},     {"no-repeat", CssBackgroundRepeat::NoRepeat},
    {"repeat-x", CssBackgroundRepeat::RepeatX}, {"repeat-y", CssBackgroundRepeat::RepeatY},
};

constexpr Keyword<CssFloat> kFloats[] = {
    {"none", CssFloat::None}, {"left", CssFloat::Left}, {"right", CssFloat::Right}};

constexpr Keyword<CssClear> kClears[] = {{"none", CssClear::None},
                                         {"left", CssClear::Left},
                                         {"right", CssClear::Right},
                                         {"both", CssClear::Both}};

constexpr Keyword<CssVisibility> kVisibilities[] = {{"visible", CssVisibility::Visible},
                                                    {"hidden", CssVisibility::Hidden},
                                                    {"collapse", CssVisibility::Collapse}};

constexpr Keyword<CssDirection> kDirections[] = {{"ltr", CssDirection::Ltr},
                                                 {"rtl", CssDirection::Rtl}};

constexpr Keyword<CssHyphens> kHyphens[] = {
    {"manual", CssHyphens::Manual}, {"none", CssHyphens::None}, {"auto", CssHyphens::Auto}};

constexpr Keyword<CssBreak> kBreaks[] = {
    {"auto", CssBreak::Auto},
    {"avoid", CssBreak::Avoid},
    {"avoid-page", CssBreak::AvoidPage},
    {"avoid-column", CssBreak::AvoidColumn},
    {"page", CssBreak::Page},
    {"left", CssBreak::Left},
    {"right", CssBreak::Right},
    {"recto", CssBreak::Recto},
    {"verso", CssBreak::Verso},
    {"column", CssBreak::Column},
};

constexpr Keyword<CssBreak> kPageBreaks[] = {
    {"auto", CssBreak::Auto}, {"always", CssBreak::Page}, {"avoid", CssBreak::Avoid},
    {"left", CssBreak::Left}, {"right", CssBreak::Right},
};

constexpr Keyword<CssBreakInside> kBreakInsides[] = {
    {"auto", CssBreakInside::Auto},
    {"avoid", CssBreakInside::Avoid},
    {"avoid-page", CssBreakInside::AvoidPage},
    {"avoid-column", CssBreakInside::AvoidColumn},
};

// The text inside url(...), unquoted; nothing when the token is not a url.
std::optional<std::string> ParseUrl(std::string_view token) {
    if (!StartsWithIgnoreCase(token, "url(") || token.back() != ')') {
        return std::nullopt;
    }
    std::string_view inner = Trim(token.substr(4, token.size() - 5));
    if (!inner.empty() && (inner.front() == '"' || inner.front() == '\'')) {
        if (inner.size() < 2 || inner.back() != inner.front()) {
            return std::nullopt;
        }
        inner = inner.substr(1, inner.size() - 2);
    }
    std::string url;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '\\' && i + 1 < inner.size()) {
            ++i;
        }
        url += inner[i];
    }
    return url;
}

// A quoted string's text, with backslash escapes of single characters taken out (a hexadecimal
// escape is kept as written: family names with one are not worth a decoder here).
std::optional<std::string> Unquote(std::string_view token) {
    if (token.size() < 2 || (token.front() != '"' && token.front() != '\'') ||
        token.back() != token.front() || SkipString(token, 0) != token.size()) {
        return std::nullopt;
    }
    std::string text;
    for (std::size_t i = 1; i + 1 < token.size(); ++i) {
        if (token[i] == '\\' && i + 2 < token.size()) {
            ++i;
        }
        text += token[i];
    }
    return text;
}

bool IsFamilyWord(std::string_view word) {
    if (word.empty() || IsDigit(word[0]) ||
        (word.size() > 1 && word[0] == '-' && IsDigit(word[1]))) {
        return false;
    }
    return std::none_of(word.begin(), word.end(), [](char c) {
        return c == '"' || c == '\'' || c == '(' || c == ')' || c == ';' || c == '{' || c == '}' ||
               c == '/' || c == '!';
    });
}

std::optional<std::vector<std::string>> ParseFontFamily(std::string_view value) {
    std::vector<std::string> families;
    for (const std::string_view item : SplitTopLevel(value, ',')) {
        if (item.empty()) {
            return std::nullopt;
        }
        if (item.front() == '"' || item.front() == '\'') {
            auto name = Unquote(item);
            if (!name) {
                return std::nullopt;
            }
            families.push_back(std::move(*name));
            continue;
        }
        // Unquoted names are identifiers, with the blanks between them made one space.
        std::string name;
        for (const std::string_view word : SplitComponents(item)) {
            if (!IsFamilyWord(word)) {
                return std::nullopt;
            }
            if (!name.empty()) {
                name += ' ';
            }
            name += word;
        }
        families.push_back(std::move(name));
    }
    if (families.empty()) {
        return std::nullopt;
    }
    return families;
}

std::optional<double> ParseFontSize(std::string_view token, const ComputedStyle& parent,
                                    const StyleContext& context) {
    if (const auto ratio = LookupKeyword(token, kFontSizeKeywords)) {
        return context.mediumFontSize * *ratio;
    }
    if (EqualsIgnoreCase(token, "smaller")) {
        return parent.fontSize / kFontSizeStep;
    }
    if (EqualsIgnoreCase(token, "larger")) {
        return std::min(parent.fontSize * kFontSizeStep, kMaxFontSize);
    }
    const auto length = ParseLength(token, parent.fontSize, context, kPercent);
    if (!length) {
        return std::nullopt;
    }
    const double px =
        length->unit == LengthUnit::Percent ? parent.fontSize * length->value / 100 : length->value;
    return std::min(px, kMaxFontSize);
}

// Bolder and lighter as CSS Fonts maps them from the inherited weight.
int BolderWeight(int weight) {
    if (weight < 350) {
        return 400;
    }
    return weight < 550 ? 700 : 900;
}

int LighterWeight(int weight) {
    if (weight < 550) {
        return 100;
    }
    return weight < 750 ? 400 : 700;
}

std::optional<int> ParseFontWeight(std::string_view token, const ComputedStyle& parent) {
    if (EqualsIgnoreCase(token, "normal")) {
        return 400;
    }
    if (EqualsIgnoreCase(token, "bold")) {
        return 700;
    }
    if (EqualsIgnoreCase(token, "bolder")) {
        return BolderWeight(parent.fontWeight);
    }
    if (EqualsIgnoreCase(token, "lighter")) {
        return LighterWeight(parent.fontWeight);
    }
    const auto number = ParseDimension(token);
    if (!number || !number->unit.empty() || number->number < 1 || number->number > 1000) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(number->number));
}

std::optional<LineHeight> ParseLineHeight(std::string_view token, double fontSize,
                                          const StyleContext& context) {
    if (EqualsIgnoreCase(token, "normal")) {
        return LineHeight{};
    }
    const auto dimension = ParseDimension(token);
    if (dimension && dimension->unit.empty()) {
        if (dimension->number < 0) {
            return std::nullopt;
        }
        return LineHeight{LineHeightKind::Number, std::min(dimension->number, kMaxLength)};
    }
    const auto length = ParseLength(token, fontSize, context, kPercent);
    if (!length) {
        return std::nullopt;
    }
    const double px =
        length->unit == LengthUnit::Percent ? fontSize * length->value / 100 : length->value;
    return LineHeight{LineHeightKind::Px, std::min(px, kMaxLength)};
}

std::optional<double> ParseBorderWidth(std::string_view token, double emBase,
                                       const StyleContext& context) {
    if (const auto width = LookupKeyword(token, kBorderWidths)) {
        return *width;
    }
    if (const auto length = ParseLength(token, emBase, context, kLengthOnly)) {
        return length->value;
    }
    return std::nullopt;
}

// What text-decoration accepts around its lines: the shorthand also takes a style and a colour,
// which nothing draws yet.
enum DecorationExtras { kLinesOnly, kStyleAndColor };

std::optional<TextDecorationLines> ParseDecorationLines(std::string_view value,
                                                        DecorationExtras extras) {
    TextDecorationLines lines;
    const auto tokens = SplitComponents(value);
    if (tokens.size() == 1 && EqualsIgnoreCase(tokens[0], "none")) {
        return lines;
    }
    bool anyLine = false;
    bool noneSeen = false;
    bool styleSeen = false;
    bool colorSeen = false;
    for (const std::string_view token : tokens) {
        bool* line = nullptr;
        if (EqualsIgnoreCase(token, "underline")) {
            line = &lines.underline;
        } else if (EqualsIgnoreCase(token, "overline")) {
            line = &lines.overline;
        } else if (EqualsIgnoreCase(token, "line-through")) {
            line = &lines.lineThrough;
        }
        if (line != nullptr) {
            if (*line || noneSeen) {
                return std::nullopt;
            }
            *line = true;
            anyLine = true;
            continue;
        }
        if (EqualsIgnoreCase(token, "blink")) {  // allowed, and never drawn
            anyLine = true;
            continue;
        }
        if (extras == kStyleAndColor) {
            if (EqualsIgnoreCase(token, "none") && !anyLine) {
                anyLine = true;
                noneSeen = true;
                continue;
            }
            const bool isStyle =
                EqualsIgnoreCase(token, "solid") || EqualsIgnoreCase(token, "double") ||
                EqualsIgnoreCase(token, "dotted") || EqualsIgnoreCase(token, "dashed") ||
                EqualsIgnoreCase(token, "wavy");
            if (isStyle && !styleSeen) {
                styleSeen = true;
                continue;
            }
            if (!colorSeen && ParseCssColor(token)) {
                colorSeen = true;
                continue;
            }
        }
        return std::nullopt;
    }
    if (tokens.empty() || (extras == kLinesOnly && !anyLine)) {
        return std::nullopt;
    }
    return lines;
}

using ApplyFunction = bool (*)(ComputedStyle&, std::string_view, const ComputedStyle&,
                               const StyleContext&);
using CopyFunction = void (*)(ComputedStyle&, const ComputedStyle&);

template <auto Member>
void CopyMember(ComputedStyle& to, const ComputedStyle& from) {
    to.*Member = from.*Member;
}

template <auto Member, auto& Table>
bool ApplyKeyword(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                  const StyleContext&) {
    const auto keyword = LookupKeyword(value, Table);
    if (!keyword) {
        return false;
    }
    style.*Member = *keyword;
    return true;
}

template <auto Member, unsigned Accepts>
bool ApplyLength(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                 const StyleContext& context) {
    const auto length = ParseLength(value, style.fontSize, context, Accepts);
    if (!length) {
        return false;
    }
    style.*Member = *length;
    return true;
}

// letter-spacing and word-spacing: `normal` or a length, kept as px.
template <auto Member>
bool ApplySpacing(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                  const StyleContext& context) {
    if (EqualsIgnoreCase(value, "normal")) {
        style.*Member = 0;
        return true;
    }
    const auto length = ParseLength(value, style.fontSize, context, kNegative);
    if (!length) {
        return false;
    }
    style.*Member = length->value;
    return true;
}

template <auto Member>
bool ApplyBorderWidth(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                      const StyleContext& context) {
    const auto width = ParseBorderWidth(value, style.fontSize, context);
    if (!width) {
        return false;
    }
    style.*Member = *width;
    return true;
}

template <auto Member>
bool ApplyColorMember(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                      const StyleContext&) {
    const auto color = ParseCssColor(value);
    if (!color) {
        return false;
    }
    style.*Member = *color;
    return true;
}

bool ApplyColor(ComputedStyle& style, std::string_view value, const ComputedStyle& parent,
                const StyleContext&) {
    const auto color = ParseCssColor(value);
    if (!color) {
        return false;
    }
    // currentColor in `color` itself is the inherited colour.
    style.color = color->Resolve(parent.color);
    return true;
}

bool ApplyFontFamily(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                     const StyleContext&) {
    auto families = ParseFontFamily(value);
    if (!families) {
        return false;
    }
    style.fontFamily = std::move(*families);
    return true;
}

bool ApplyFontSize(ComputedStyle& style, std::string_view value, const ComputedStyle& parent,
                   const StyleContext& context) {
    const auto size = ParseFontSize(value, parent, context);
    if (!size) {
        return false;
    }
    style.fontSize = *size;
    return true;
}

bool ApplyFontWeight(ComputedStyle& style, std::string_view value, const ComputedStyle& parent,
                     const StyleContext&) {
    const auto weight = ParseFontWeight(value, parent);
    if (!weight) {
        return false;
    }
    style.fontWeight = *weight;
    return true;
}

bool ApplyLineHeight(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                     const StyleContext& context) {
    const auto lineHeight = ParseLineHeight(value, style.fontSize, context);
    if (!lineHeight) {
        return false;
    }
    style.lineHeight = *lineHeight;
    return true;
}

bool ApplyBackgroundImage(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                          const StyleContext&) {
    if (EqualsIgnoreCase(value, "none")) {
        style.backgroundImage.clear();
        return true;
    }
    auto url = ParseUrl(value);
    if (!url) {
        return false;
    }
    style.backgroundImage = std::move(*url);
    return true;
}

bool ApplyTextDecorationLine(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                             const StyleContext&) {
    const auto lines = ParseDecorationLines(value, kLinesOnly);
    if (!lines) {
        return false;
    }
    style.textDecorationLine = *lines;
    return true;
}

bool ApplyTextDecoration(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                         const StyleContext&) {
    const auto lines = ParseDecorationLines(value, kStyleAndColor);
    if (!lines) {
        return false;
    }
    style.textDecorationLine = *lines;
    return true;
}

bool ApplyVerticalAlign(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                        const StyleContext& context) {
    if (const auto kind = LookupKeyword(value, kVerticalAligns)) {
        style.verticalAlign = {*kind, {}};
        return true;
    }
    const auto length = ParseLength(value, style.fontSize, context, kPercent | kNegative);
    if (!length) {
        return false;
    }
    style.verticalAlign = {VerticalAlignKind::Length, *length};
    return true;
}

// min-width and min-height: `auto` is 0 outside flex and grid boxes, which this layout has not.
template <auto Member>
bool ApplyMinSize(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                  const StyleContext& context) {
    if (EqualsIgnoreCase(value, "auto")) {
        style.*Member = ComputedLength::Px(0);
        return true;
    }
    const auto length = ParseLength(value, style.fontSize, context, kPercent);
    if (!length) {
        return false;
    }
    style.*Member = *length;
    return true;
}

// Shorthands.

using LengthMember = ComputedLength ComputedStyle::*;
constexpr LengthMember kMargins[] = {&ComputedStyle::marginTop, &ComputedStyle::marginRight,
                                     &ComputedStyle::marginBottom, &ComputedStyle::marginLeft};
constexpr LengthMember kPaddings[] = {&ComputedStyle::paddingTop, &ComputedStyle::paddingRight,
                                      &ComputedStyle::paddingBottom, &ComputedStyle::paddingLeft};
constexpr double ComputedStyle::*kBorderWidthMembers[] = {
    &ComputedStyle::borderTopWidth, &ComputedStyle::borderRightWidth,
    &ComputedStyle::borderBottomWidth, &ComputedStyle::borderLeftWidth};
constexpr CssBorderStyle ComputedStyle::*kBorderStyleMembers[] = {
    &ComputedStyle::borderTopStyle, &ComputedStyle::borderRightStyle,
    &ComputedStyle::borderBottomStyle, &ComputedStyle::borderLeftStyle};
constexpr CssColor ComputedStyle::*kBorderColorMembers[] = {
    &ComputedStyle::borderTopColor, &ComputedStyle::borderRightColor,
    &ComputedStyle::borderBottomColor, &ComputedStyle::borderLeftColor};

// One to four values for top, right, bottom and left, the missing ones copied from their
// opposite side as CSS does.
template <typename T, typename Parse>
bool ApplyFourSides(ComputedStyle& style, std::string_view value,
                    T ComputedStyle::*const (&sides)[4], Parse parse) {
    const auto tokens = SplitComponents(value);
    if (tokens.empty() || tokens.size() > 4) {
        return false;
    }
    std::vector<T> values;
    for (const std::string_view token : tokens) {
        auto parsed = parse(token);
        if (!parsed) {
            return false;
        }
        values.push_back(*parsed);
    }
    const std::size_t n = values.size();
    const std::size_t index[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 1}, {0, 1, 2, 3}};
    for (std::size_t side = 0; side < 4; ++side) {
        style.*sides[side] = values[index[n - 1][side]];
    }
    return true;
}

bool ApplyMargin(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                 const StyleContext& context) {
    return ApplyFourSides(style, value, kMargins, [&](std::string_view token) {
        return ParseLength(token, style.fontSize, context, kPercent | kAuto | kNegative);
    });
}

bool ApplyPadding(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                  const StyleContext& context) {
    return ApplyFourSides(style, value, kPaddings, [&](std::string_view token) {
        return ParseLength(token, style.fontSize, context, kPercent);
    });
}

bool ApplyBorderWidths(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                       const StyleContext& context) {
    return ApplyFourSides(style, value, kBorderWidthMembers, [&](std::string_view token) {
        return ParseBorderWidth(token, style.fontSize, context);
    });
}

bool ApplyBorderStyles(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                       const StyleContext&) {
    return ApplyFourSides(style, value, kBorderStyleMembers, [](std::string_view token) {
        return LookupKeyword(token, kBorderStyles);
    });
}

bool ApplyBorderColors(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                       const StyleContext&) {
    return ApplyFourSides(style, value, kBorderColorMembers, ParseCssColor);
}

// `border` and `border-<side>`: a width, a style and a colour in any order, each at most once;
// the ones left out go back to their initial values.
template <std::size_t First, std::size_t Count>
bool ApplyBorderSides(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                      const StyleContext& context) {
    std::optional<double> width;
    std::optional<CssBorderStyle> borderStyle;
    std::optional<CssColor> color;
    const auto tokens = SplitComponents(value);
    if (tokens.empty() || tokens.size() > 3) {
        return false;
    }
    for (const std::string_view token : tokens) {
        if (const auto parsedStyle = LookupKeyword(token, kBorderStyles);
            parsedStyle && !borderStyle) {
            borderStyle = parsedStyle;
        } else if (const auto parsedWidth = ParseBorderWidth(token, style.fontSize, context);
                   parsedWidth && !width) {
            width = parsedWidth;
        } else if (const auto parsedColor = ParseCssColor(token); parsedColor && !color) {
            color = parsedColor;
        } else {
            return false;
        }
    }
    for (std::size_t side = First; side < First + Count; ++side) {
        style.*kBorderWidthMembers[side] = width.value_or(3);
        style.*kBorderStyleMembers[side] = borderStyle.value_or(CssBorderStyle::None);
        style.*kBorderColorMembers[side] = color.value_or(CssColor{{}, true});
    }
    return true;
}

bool IsFontStretch(std::string_view token) {
    static constexpr std::string_view kStretches[] = {
        "ultra-condensed", "extra-condensed", "condensed",      "semi-condensed",
        "semi-expanded",   "expanded",        "extra-expanded", "ultra-expanded",
    };
    return std::any_of(std::begin(kStretches), std::end(kStretches),
                       [&](std::string_view stretch) { return EqualsIgnoreCase(token, stretch); });
}

bool ApplyFont(ComputedStyle& style, std::string_view value, const ComputedStyle& parent,
               const StyleContext& context) {
    const auto tokens = SplitComponents(value);
    CssFontStyle fontStyle = CssFontStyle::Normal;
    CssFontVariant fontVariant = CssFontVariant::Normal;
    int fontWeight = 400;
    std::size_t i = 0;
    // Up to four of style, variant, weight and stretch (read and dropped) come first.
    for (; i < tokens.size() && i < 4; ++i) {
        const std::string_view token = tokens[i];
        if (EqualsIgnoreCase(token, "normal")) {
            continue;
        }
        if (const auto slant = LookupKeyword(token, kFontStyles)) {
            fontStyle = *slant;
        } else if (EqualsIgnoreCase(token, "small-caps")) {
            fontVariant = CssFontVariant::SmallCaps;
        } else if (const auto weight = ParseFontWeight(token, parent)) {
            fontWeight = *weight;
        } else if (IsFontStretch(token)) {
            continue;
        } else {
            break;
        }
    }
    if (i >= tokens.size()) {
        return false;
    }
    const auto fontSize = ParseFontSize(tokens[i++], parent, context);
    if (!fontSize) {
        return false;
    }
    LineHeight lineHeight;
    if (i < tokens.size() && tokens[i] == "/") {
        if (++i >= tokens.size()) {
            return false;
        }
        const auto parsed = ParseLineHeight(tokens[i++], *fontSize, context);
        if (!parsed) {
            return false;
        }
        lineHeight = *parsed;
    }
    if (i >= tokens.size()) {
        return false;
    }
    const std::size_t familyStart = static_cast<std::size_t>(tokens[i].data() - value.data());
    auto families = ParseFontFamily(value.substr(familyStart));
    if (!families) {
        return false;
    }
    style.fontStyle = fontStyle;
    style.fontVariant = fontVariant;
    style.fontWeight = fontWeight;
    style.fontSize = *fontSize;
    style.lineHeight = lineHeight;
    style.fontFamily = std::move(*families);
    return true;
}

bool ApplyListStyle(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                    const StyleContext&) {
    std::optional<CssListStyleType> type;
    std::optional<CssListStylePosition> position;
    bool image = false;
    std::size_t nones = 0;
    const auto tokens = SplitComponents(value);
    if (tokens.empty() || tokens.size() > 3) {
        return false;
    }
    for (const std::string_view token : tokens) {
        if (EqualsIgnoreCase(token, "none")) {
            ++nones;  // the type's or the image's: both are none either way
        } else if (const auto parsedType = LookupKeyword(token, kListStyleTypes);
                   parsedType && !type) {
            type = parsedType;
        } else if (const auto parsedPosition = LookupKeyword(token, kListStylePositions);
                   parsedPosition && !position) {
            position = parsedPosition;
        } else if (!image && ParseUrl(token)) {
            image = true;  // marker pictures are not drawn yet; the type stays the fallback
        } else {
            return false;
        }
    }
    if (nones > (type ? 0u : 1u) + (image ? 0u : 1u)) {
        return false;
    }
    style.listStyleType =
        type.value_or(nones > 0 && !type ? CssListStyleType::None : CssListStyleType::Disc);
    style.listStylePosition = position.value_or(CssListStylePosition::Outside);
    return true;
}

bool IsBackgroundExtra(std::string_view token, const StyleContext& context) {
    static constexpr std::string_view kExtras[] = {
        "repeat",     "repeat-x",    "repeat-y",    "no-repeat", "space",   "round",  "scroll",
        "fixed",      "local",       "left",        "right",     "top",     "bottom", "center",
        "border-box", "padding-box", "content-box", "cover",     "contain", "auto",   "/",
    };
    for (const std::string_view extra : kExtras) {
        if (EqualsIgnoreCase(token, extra)) {
            return true;
        }
    }
    return ParseLength(token, 16, context, kPercent | kNegative).has_value();
}

// `background`: the colour and the picture of one layer; repeat, position, size and the boxes
// are read and not kept.
bool ApplyBackground(ComputedStyle& style, std::string_view value, const ComputedStyle&,
                     const StyleContext& context) {
    std::optional<CssColor> color;
    std::optional<std::string> image;
    std::optional<CssBackgroundRepeat> repeat;
    const auto tokens = SplitComponents(value);
    if (tokens.empty() || SplitTopLevel(value, ',').size() > 1) {
        return false;
    }
    for (const std::string_view token : tokens) {
        if (!image && EqualsIgnoreCase(token, "none")) {
            image = std::string();
        } else if (auto url = ParseUrl(token); url && !image) {
            image = std::move(url);
        } else if (const auto parsed = ParseCssColor(token); parsed && !color) {
            color = parsed;
        } else if (const auto kept = LookupKeyword(token, kBackgroundRepeats); kept && !repeat) {
            repeat = kept;
        } else if (!IsBackgroundExtra(token, context)) {
            return false;
        }
    }
    style.backgroundColor = color.value_or(CssColor{kTransparent});
    style.backgroundImage = image.value_or(std::string());
    style.backgroundRepeat = repeat.value_or(CssBackgroundRepeat::Repeat);
    return true;
}

enum class Inherited { Yes, No };

struct Longhand {
    std::string_view name;
    Inherited inherited;
    ApplyFunction apply;
    CopyFunction copy;
};

template <auto Member>
constexpr Longhand Property(std::string_view name, Inherited inherited, ApplyFunction apply) {
    return {name, inherited, apply, &CopyMember<Member>};
}

template <auto Member, auto& Table>
constexpr Longhand KeywordProperty(std::string_view name, Inherited inherited) {
    return Property<Member>(name, inherited, &ApplyKeyword<Member, Table>);
}

template <auto Member, unsigned Accepts>
constexpr Longhand LengthProperty(std::string_view name, Inherited inherited) {
    return Property<Member>(name, inherited, &ApplyLength<Member, Accepts>);
}

const Longhand kLonghands[] = {
    Property<&ComputedStyle::fontFamily>("font-family", Inherited::Yes, &ApplyFontFamily),
    Property<&ComputedStyle::fontSize>("font-size", Inherited::Yes, &ApplyFontSize),
    Property<&ComputedStyle::fontWeight>("font-weight", Inherited::Yes, &ApplyFontWeight),
    KeywordProperty<&ComputedStyle::fontStyle, kFontStyles>("font-style", Inherited::Yes),
    KeywordProperty<&ComputedStyle::fontVariant, kFontVariants>("font-variant", Inherited::Yes),
    Property<&ComputedStyle::lineHeight>("line-height", Inherited::Yes, &ApplyLineHeight),
    Property<&ComputedStyle::color>("color", Inherited::Yes, &ApplyColor),
    KeywordProperty<&ComputedStyle::textAlign, kTextAligns>("text-align", Inherited::Yes),
    LengthProperty<&ComputedStyle::textIndent, kPercent | kNegative>("text-indent", Inherited::Yes),
    KeywordProperty<&ComputedStyle::textTransform, kTextTransforms>("text-transform",
                                                                    Inherited::Yes),
    Property<&ComputedStyle::letterSpacing>("letter-spacing", Inherited::Yes,
                                            &ApplySpacing<&ComputedStyle::letterSpacing>),
    Property<&ComputedStyle::wordSpacing>("word-spacing", Inherited::Yes,
                                          &ApplySpacing<&ComputedStyle::wordSpacing>),
    KeywordProperty<&ComputedStyle::whiteSpace, kWhiteSpaces>("white-space", Inherited::Yes),
    KeywordProperty<&ComputedStyle::listStyleType, kListStyleTypes>("list-style-type",
                                                                    Inherited::Yes),
    KeywordProperty<&ComputedStyle::listStylePosition, kListStylePositions>("list-style-position",
                                                                            Inherited::Yes),
    KeywordProperty<&ComputedStyle::visibility, kVisibilities>("visibility", Inherited::Yes),
    KeywordProperty<&ComputedStyle::direction, kDirections>("direction", Inherited::Yes),
    KeywordProperty<&ComputedStyle::hyphens, kHyphens>("hyphens", Inherited::Yes),
    // Books made for older reading systems give only the prefixed forms.
    KeywordProperty<&ComputedStyle::hyphens, kHyphens>("-webkit-hyphens", Inherited::Yes),
    KeywordProperty<&ComputedStyle::hyphens, kHyphens>("-epub-hyphens", Inherited::Yes),

    KeywordProperty<&ComputedStyle::display, kDisplays>("display", Inherited::No),
    Property<&ComputedStyle::backgroundColor>("background-color", Inherited::No,
                                              &ApplyColorMember<&ComputedStyle::backgroundColor>),
    Property<&ComputedStyle::backgroundImage>("background-image", Inherited::No,
                                              &ApplyBackgroundImage),
    KeywordProperty<&ComputedStyle::backgroundRepeat, kBackgroundRepeats>("background-repeat",
                                                                          Inherited::No),
    Property<&ComputedStyle::textDecorationLine>("text-decoration-line", Inherited::No,
                                                 &ApplyTextDecorationLine),
    Property<&ComputedStyle::verticalAlign>("vertical-align", Inherited::No, &ApplyVerticalAlign),
    LengthProperty<&ComputedStyle::marginTop, kPercent | kAuto | kNegative>("margin-top",
                                                                            Inherited::No),
    LengthProperty<&ComputedStyle::marginRight, kPercent | kAuto | kNegative>("margin-right",
                                                                              Inherited::No),
    LengthProperty<&ComputedStyle::marginBottom, kPercent | kAuto | kNegative>("margin-bottom",
                                                                               Inherited::No),
    LengthProperty<&ComputedStyle::marginLeft, kPercent | kAuto | kNegative>("margin-left",
                                                                             Inherited::No),
    LengthProperty<&ComputedStyle::paddingTop, kPercent>("padding-top", Inherited::No),
    LengthProperty<&ComputedStyle::paddingRight, kPercent>("padding-right", Inherited::No),
    LengthProperty<&ComputedStyle::paddingBottom, kPercent>("padding-bottom", Inherited::No),
    LengthProperty<&ComputedStyle::paddingLeft, kPercent>("padding-left", Inherited::No),
    Property<&ComputedStyle::borderTopWidth>("border-top-width", Inherited::No,
                                             &ApplyBorderWidth<&ComputedStyle::borderTopWidth>),
    Property<&ComputedStyle::borderRightWidth>("border-right-width", Inherited::No,
                                               &ApplyBorderWidth<&ComputedStyle::borderRightWidth>),
    Property<&ComputedStyle::borderBottomWidth>(
        "border-bottom-width", Inherited::No, &ApplyBorderWidth<&ComputedStyle::borderBottomWidth>),
    Property<&ComputedStyle::borderLeftWidth>("border-left-width", Inherited::No,
                                              &ApplyBorderWidth<&ComputedStyle::borderLeftWidth>),
    KeywordProperty<&ComputedStyle::borderTopStyle, kBorderStyles>("border-top-style",
                                                                   Inherited::No),
    KeywordProperty<&ComputedStyle::borderRightStyle, kBorderStyles>("border-right-style",
                                                                     Inherited::No),
    KeywordProperty<&ComputedStyle::borderBottomStyle, kBorderStyles>("border-bottom-style",
                                                                      Inherited::No),
    KeywordProperty<&ComputedStyle::borderLeftStyle, kBorderStyles>("border-left-style",
                                                                    Inherited::No),
    Property<&ComputedStyle::borderTopColor>("border-top-color", Inherited::No,
                                             &ApplyColorMember<&ComputedStyle::borderTopColor>),
    Property<&ComputedStyle::borderRightColor>("border-right-color", Inherited::No,
                                               &ApplyColorMember<&ComputedStyle::borderRightColor>),
    Property<&ComputedStyle::borderBottomColor>(
        "border-bottom-color", Inherited::No, &ApplyColorMember<&ComputedStyle::borderBottomColor>),
    Property<&ComputedStyle::borderLeftColor>("border-left-color", Inherited::No,
                                              &ApplyColorMember<&ComputedStyle::borderLeftColor>),
    LengthProperty<&ComputedStyle::width, kPercent | kAuto>("width", Inherited::No),
    LengthProperty<&ComputedStyle::height, kPercent | kAuto>("height", Inherited::No),
    Property<&ComputedStyle::minWidth>("min-width", Inherited::No,
                                       &ApplyMinSize<&ComputedStyle::minWidth>),
    Property<&ComputedStyle::minHeight>("min-height", Inherited::No,
                                        &ApplyMinSize<&ComputedStyle::minHeight>),
    LengthProperty<&ComputedStyle::maxWidth, kPercent | kNone>("max-width", Inherited::No),
    LengthProperty<&ComputedStyle::maxHeight, kPercent | kNone>("max-height", Inherited::No),
    KeywordProperty<&ComputedStyle::floatMode, kFloats>("float", Inherited::No),
    KeywordProperty<&ComputedStyle::clear, kClears>("clear", Inherited::No),
    KeywordProperty<&ComputedStyle::breakBefore, kBreaks>("break-before", Inherited::No),
    KeywordProperty<&ComputedStyle::breakAfter, kBreaks>("break-after", Inherited::No),
    KeywordProperty<&ComputedStyle::breakBefore, kPageBreaks>("page-break-before", Inherited::No),
    KeywordProperty<&ComputedStyle::breakAfter, kPageBreaks>("page-break-after", Inherited::No),
    KeywordProperty<&ComputedStyle::breakInside, kBreakInsides>("break-inside", Inherited::No),
    KeywordProperty<&ComputedStyle::breakInside, kBreakInsides>("page-break-inside", Inherited::No),
};

struct Shorthand {
    std::string_view name;
    ApplyFunction apply;
    std::string_view longhands;  // separated by spaces, for inherit, initial and unset
};

const Shorthand kShorthands[] = {
    {"font", &ApplyFont, "font-style font-variant font-weight font-size line-height font-family"},
    {"margin", &ApplyMargin, "margin-top margin-right margin-bottom margin-left"},
    {"padding", &ApplyPadding, "padding-top padding-right padding-bottom padding-left"},
    {"border-width", &ApplyBorderWidths,
     "border-top-width border-right-width border-bottom-width border-left-width"},
    {"border-style", &ApplyBorderStyles,
     "border-top-style border-right-style border-bottom-style border-left-style"},
    {"border-color", &ApplyBorderColors,
     "border-top-color border-right-color border-bottom-color border-left-color"},
    {"border", &ApplyBorderSides<0, 4>,
     "border-top-width border-right-width border-bottom-width border-left-width "
     "border-top-style border-right-style border-bottom-style border-left-style "
     "border-top-color border-right-color border-bottom-color border-left-color"},
    {"border-top", &ApplyBorderSides<0, 1>, "border-top-width border-top-style border-top-color"},
    {"border-right", &ApplyBorderSides<1, 1>,
     "border-right-width border-right-style border-right-color"},
    {"border-bottom", &ApplyBorderSides<2, 1>,
     "border-bottom-width border-bottom-style border-bottom-color"},
    {"border-left", &ApplyBorderSides<3, 1>,
     "border-left-width border-left-style border-left-color"},
    {"list-style", &ApplyListStyle, "list-style-type list-style-position"},
    {"background", &ApplyBackground, "background-color background-image background-repeat"},
    {"text-decoration", &ApplyTextDecoration, "text-decoration-line"},
};

const Longhand* FindLonghand(std::string_view name) {
    for (const Longhand& longhand : kLonghands) {
        if (EqualsIgnoreCase(name, longhand.name)) {
            return &longhand;
        }
    }
    return nullptr;
}

const Shorthand* FindShorthand(std::string_view name) {
    for (const Shorthand& shorthand : kShorthands) {
        if (EqualsIgnoreCase(name, shorthand.name)) {
            return &shorthand;
        }
    }
    return nullptr;
}

enum class WideKeyword { Inherit, Initial, Unset };

constexpr Keyword<WideKeyword> kWideKeywords[] = {
    {"inherit", WideKeyword::Inherit},
    {"initial", WideKeyword::Initial},
    {"unset", WideKeyword::Unset},
};

void ApplyWideKeyword(ComputedStyle& style, const Longhand& longhand, WideKeyword keyword,
                      const ComputedStyle& parent, const StyleContext& context) {
    const bool inherits = keyword == WideKeyword::Inherit ||
                          (keyword == WideKeyword::Unset && longhand.inherited == Inherited::Yes);
    if (inherits) {
        longhand.copy(style, parent);
    } else {
        longhand.copy(style, InitialStyle(context));
    }
}

bool IsFontSizeProperty(std::string_view property) {
    return EqualsIgnoreCase(property, "font-size") || EqualsIgnoreCase(property, "font");
}

}  // namespace

std::optional<CssColor> ParseCssColor(std::string_view text) {
    text = Trim(text);
    if (EqualsIgnoreCase(text, "transparent")) {
        return CssColor{kTransparent};
    }
    if (EqualsIgnoreCase(text, "currentcolor")) {
        return CssColor{{}, true};
    }
    const auto components = ParseColorValue(text);
    if (!components) {
        return std::nullopt;
    }
    RgbaColor color{static_cast<std::uint8_t>(components->red >> 24),
                    static_cast<std::uint8_t>(components->green >> 24),
                    static_cast<std::uint8_t>(components->blue >> 24), 255};
    // ParseColorValue has checked the text; what it drops is the alpha of rgba() and rgb().
    if (StartsWithIgnoreCase(text, "rgb")) {
        const std::size_t open = text.find('(');
        const std::size_t close = text.rfind(')');
        if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
            const auto channels = SplitTopLevel(text.substr(open + 1, close - open - 1), ',');
            if (channels.size() == 4) {
                if (const auto alpha = ParseDimension(channels[3])) {
                    const double fraction =
                        alpha->unit == "%" ? alpha->number / 100 : alpha->number;
                    color.alpha = static_cast<std::uint8_t>(
                        std::lround(std::clamp(fraction, 0.0, 1.0) * 255));
                }
            }
        }
    }
    return CssColor{color};
}

ComputedStyle InitialStyle(const StyleContext& context) {
    ComputedStyle style;
    style.fontSize = context.mediumFontSize;
    return style;
}

ComputedStyle InheritedStyle(const ComputedStyle& parent) {
    ComputedStyle style;
    for (const Longhand& longhand : kLonghands) {
        if (longhand.inherited == Inherited::Yes) {
            longhand.copy(style, parent);
        }
    }
    return style;
}

bool ApplyDeclaration(ComputedStyle& style, const CssDeclaration& declaration,
                      const ComputedStyle& parent, const StyleContext& context) {
    const std::string_view value = Trim(declaration.value);
    if (value.empty()) {
        return false;
    }
    const auto wide = LookupKeyword(value, kWideKeywords);
    if (const Longhand* longhand = FindLonghand(declaration.property)) {
        if (wide) {
            ApplyWideKeyword(style, *longhand, *wide, parent, context);
            return true;
        }
        return longhand->apply(style, value, parent, context);
    }
    if (const Shorthand* shorthand = FindShorthand(declaration.property)) {
        if (wide) {
            for (const std::string_view name : SplitComponents(shorthand->longhands)) {
                if (const Longhand* longhand = FindLonghand(name)) {
                    ApplyWideKeyword(style, *longhand, *wide, parent, context);
                }
            }
            return true;
        }
        return shorthand->apply(style, value, parent, context);
    }
    return false;
}

void ApplyDeclarations(ComputedStyle& style, std::span<const CssDeclaration* const> declarations,
                       const ComputedStyle& parent, const StyleContext& context) {
    for (const CssDeclaration* declaration : declarations) {
        if (IsFontSizeProperty(declaration->property)) {
            ApplyDeclaration(style, *declaration, parent, context);
        }
    }
    // Applying the font size again is harmless: it depends only on the parent.
    for (const CssDeclaration* declaration : declarations) {
        ApplyDeclaration(style, *declaration, parent, context);
    }
}

void ApplyDeclarations(ComputedStyle& style, const std::vector<CssDeclaration>& declarations,
                       const ComputedStyle& parent, const StyleContext& context) {
    std::vector<const CssDeclaration*> pointers;
    pointers.reserve(declarations.size());
    for (const CssDeclaration& declaration : declarations) {
        pointers.push_back(&declaration);
    }
    ApplyDeclarations(style, pointers, parent, context);
}

double UsedBorderWidth(const ComputedStyle& style, BoxSide side) {
    const auto index = static_cast<std::size_t>(side);
    const CssBorderStyle borderStyle = style.*kBorderStyleMembers[index];
    if (borderStyle == CssBorderStyle::None || borderStyle == CssBorderStyle::Hidden) {
        return 0;
    }
    return style.*kBorderWidthMembers[index];
}

double UsedLineHeight(const ComputedStyle& style) {
    switch (style.lineHeight.kind) {
        case LineHeightKind::Number:
            return style.lineHeight.value * style.fontSize;
        case LineHeightKind::Px:
            return style.lineHeight.value;
        case LineHeightKind::Normal:
            break;
    }
    return kNormalLineHeight * style.fontSize;
}

}  // namespace quirelle
