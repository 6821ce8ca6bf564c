#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "style/css_declaration.hpp"

namespace quirelle {

// A colour with 8 bits per channel and an alpha channel (255 opaque, 0 transparent).
struct RgbaColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;
    bool operator==(const RgbaColor&) const = default;
};

inline constexpr RgbaColor kTransparent{0, 0, 0, 0};

// A colour property that may be `currentColor`: the element's `color` is only known once all of
// its declarations are applied, whatever their order, so the keyword stays a keyword until use.
struct CssColor {
    RgbaColor rgba;
    bool currentColor = false;
    bool operator==(const CssColor&) const = default;

    RgbaColor Resolve(const RgbaColor& elementColor) const {
        return currentColor ? elementColor : rgba;
    }
};

// What a length still needs from the layout: px are final; a percentage waits for its
// containing block; auto and none are the keywords of box sizes and margins.
enum class LengthUnit { Px, Percent, Auto, None };

struct ComputedLength {
    double value = 0;
    LengthUnit unit = LengthUnit::Px;
    bool operator==(const ComputedLength&) const = default;

    static constexpr ComputedLength Px(double px) { return {px, LengthUnit::Px}; }
    static constexpr ComputedLength Percent(double percent) {
        return {percent, LengthUnit::Percent};
    }
    static constexpr ComputedLength Auto() { return {0, LengthUnit::Auto}; }
    static constexpr ComputedLength None() { return {0, LengthUnit::None}; }
};

enum class CssDisplay {
    None,
    Block,  // also flex and grid, which the layout draws as blocks
    Inline,
    InlineBlock,  // also inline-flex and inline-grid
    ListItem,
    Table,
    TableRow,
    TableCell,
    TableCaption,
    TableRowGroup,
    TableHeaderGroup,
    TableFooterGroup,
    TableColumn,
    TableColumnGroup,
    Ruby,
    RubyText,
};

enum class CssFontStyle { Normal, Italic, Oblique };
enum class CssFontVariant { Normal, SmallCaps };

// `line-height`: a number stays a number so that children multiply it by their own font size;
// a length or percentage is fixed in px on the element that sets it and inherited as px.
enum class LineHeightKind { Normal, Number, Px };
struct LineHeight {
    LineHeightKind kind = LineHeightKind::Normal;
    double value = 0;
    bool operator==(const LineHeight&) const = default;
};

enum class CssTextAlign { Start, End, Left, Right, Center, Justify };
enum class CssTextTransform { None, Capitalize, Uppercase, Lowercase };

// The lines an element draws itself; those of its ancestors are drawn by the ancestors' boxes.
struct TextDecorationLines {
    bool underline = false;
    bool overline = false;
    bool lineThrough = false;
    bool operator==(const TextDecorationLines&) const = default;
};

enum class CssWhiteSpace { Normal, Pre, Nowrap, PreWrap, PreLine };

enum class VerticalAlignKind {
    Baseline,
    Sub,
    Super,
    Top,
    Middle,
    Bottom,
    TextTop,
    TextBottom,
    Length,  // `length` holds px or a percentage of the line height
};
struct VerticalAlign {
    VerticalAlignKind kind = VerticalAlignKind::Baseline;
    ComputedLength length;
    bool operator==(const VerticalAlign&) const = default;
};

enum class CssBorderStyle {
    None,
    Hidden,
    Dotted,
    Dashed,
    Solid,
    Double,
    Groove,
    Ridge,
    Inset,
    Outset,
};

enum class CssListStyleType {
    None,
    Disc,
    Circle,
    Square,
    Decimal,
    DecimalLeadingZero,
    LowerAlpha,  // also lower-latin
    UpperAlpha,  // also upper-latin
    LowerRoman,
    UpperRoman,
    LowerGreek,
};
enum class CssListStylePosition { Outside, Inside };
enum class CssBackgroundRepeat { Repeat, NoRepeat, RepeatX, RepeatY };
enum class CssFloat { None, Left, Right };
enum class CssClear { None, Left, Right, Both };
enum class CssVisibility { Visible, Hidden, Collapse };
enum class CssDirection { Ltr, Rtl };
enum class CssHyphens { Manual, None, Auto };
// `break-before`/`break-after`, and the older `page-break-*` (always is Page).
enum class CssBreak {
    Auto,
    Avoid,
    AvoidPage,
    AvoidColumn,
    Page,
    Left,
    Right,
    Recto,
    Verso,
    Column
};
enum class CssBreakInside { Auto, Avoid, AvoidPage, AvoidColumn };

// What the computation needs besides the parent: the viewport for vw/vh, the root's font size
// for rem, and the size the `medium` keyword stands for.
struct StyleContext {
    double viewportWidth = 800;
    double viewportHeight = 600;
    double rootFontSize = 16;
    double mediumFontSize = 16;
};

// The computed value of every property the layout reads. Members start at their CSS initial
// values; font-relative, absolute and viewport units are already px.
struct ComputedStyle {
    // Inherited.
    std::vector<std::string> fontFamily;  // names as written, unquoted; empty: the reader's own
    double fontSize = 16;
    int fontWeight = 400;
    CssFontStyle fontStyle = CssFontStyle::Normal;
    CssFontVariant fontVariant = CssFontVariant::Normal;
    LineHeight lineHeight;
    RgbaColor color;
    CssTextAlign textAlign = CssTextAlign::Start;
    ComputedLength textIndent;  // px or percent
    CssTextTransform textTransform = CssTextTransform::None;
    double letterSpacing = 0;  // `normal` is 0
    double wordSpacing = 0;
    CssWhiteSpace whiteSpace = CssWhiteSpace::Normal;
    CssListStyleType listStyleType = CssListStyleType::Disc;
    CssListStylePosition listStylePosition = CssListStylePosition::Outside;
    CssVisibility visibility = CssVisibility::Visible;
    CssDirection direction = CssDirection::Ltr;
    CssHyphens hyphens = CssHyphens::Manual;

    // Not inherited.
    CssDisplay display = CssDisplay::Inline;
    CssColor backgroundColor{kTransparent};
    std::string backgroundImage;  // the url's text; empty for none
    CssBackgroundRepeat backgroundRepeat = CssBackgroundRepeat::Repeat;
    TextDecorationLines textDecorationLine;
    VerticalAlign verticalAlign;
    ComputedLength marginTop, marginRight, marginBottom, marginLeft;
    ComputedLength paddingTop, paddingRight, paddingBottom, paddingLeft;
    // The widths as given (medium is 3px); UsedBorderWidth gives 0 for a side without a style.
    double borderTopWidth = 3, borderRightWidth = 3, borderBottomWidth = 3, borderLeftWidth = 3;
    CssBorderStyle borderTopStyle = CssBorderStyle::None, borderRightStyle = CssBorderStyle::None,
                   borderBottomStyle = CssBorderStyle::None, borderLeftStyle = CssBorderStyle::None;
    CssColor borderTopColor{{}, true}, borderRightColor{{}, true}, borderBottomColor{{}, true},
        borderLeftColor{{}, true};
    ComputedLength width = ComputedLength::Auto();
    ComputedLength height = ComputedLength::Auto();
    ComputedLength minWidth, minHeight;
    ComputedLength maxWidth = ComputedLength::None();
    ComputedLength maxHeight = ComputedLength::None();
    CssFloat floatMode = CssFloat::None;
    CssClear clear = CssClear::None;
    CssBreak breakBefore = CssBreak::Auto;
    CssBreak breakAfter = CssBreak::Auto;
    CssBreakInside breakInside = CssBreakInside::Auto;

    bool operator==(const ComputedStyle&) const = default;
};

// The style of the root: initial values, with `medium` taken from the context.
ComputedStyle InitialStyle(const StyleContext& context);

// The starting point of a child: the inherited properties copied from the parent, the others at
// their initial values, so that nothing an element sets outlives it.
ComputedStyle InheritedStyle(const ComputedStyle& parent);

// Applies one declaration. Shorthands set all their longhands; `inherit`, `initial` and `unset`
// work on both. A value that cannot be read, or an unknown property, leaves the style as it was
// and gives false, as a browser drops the declaration.
bool ApplyDeclaration(ComputedStyle& style, const CssDeclaration& declaration,
                      const ComputedStyle& parent, const StyleContext& context);

// Applies an element's declarations, in cascade order (the last one wins). The font size is
// settled first, so that `margin: 1em; font-size: 20px` gives a 20px margin as in a browser.
void ApplyDeclarations(ComputedStyle& style, std::span<const CssDeclaration* const> declarations,
                       const ComputedStyle& parent, const StyleContext& context);
void ApplyDeclarations(ComputedStyle& style, const std::vector<CssDeclaration>& declarations,
                       const ComputedStyle& parent, const StyleContext& context);

// The border width that takes space: none when the side has no style (none or hidden).
enum class BoxSide { Top, Right, Bottom, Left };
double UsedBorderWidth(const ComputedStyle& style, BoxSide side);

// The line height in px for the element's font (normal is 1.2 times the font size).
double UsedLineHeight(const ComputedStyle& style);

// Reads a CSS colour: every form ParseColorValue knows (alpha of rgba() kept), `transparent`
// and `currentColor`.
std::optional<CssColor> ParseCssColor(std::string_view text);

}  // namespace quirelle
