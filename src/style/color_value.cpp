#include "style/color_value.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace quirelle {
namespace {

struct NamedColor {
    std::string_view name;  // lower case, as the lookup folds the text to compare
    std::string_view hex;
};

// Sorted by name for a binary search.
constexpr std::array kNamedColors = std::to_array<NamedColor>({
    {"aliceblue", "#F0F8FF"},
    {"antiquewhite", "#FAEBD7"},
    {"aqua", "#00FFFF"},
    {"aquamarine", "#7FFFD4"},
    {"azure", "#F0FFFF"},
    {"beige", "#F5F5DC"},
    {"bisque", "#FFE4C4"},
    {"black", "#000000"},
    {"blanchedalmond", "#FFEBCD"},
    {"blue", "#0000FF"},
    {"blueviolet", "#8A2BE2"},
    {"brown", "#A52A2A"},
    {"burlywood", "#DEB887"},
    {"cadetblue", "#5F9EA0"},
    {"chartreuse", "#7FFF00"},
    {"chocolate", "#D2691E"},
    {"coral", "#FF7F50"},
    {"cornflowerblue", "#6495ED"},
    {"cornsilk", "#FFF8DC"},
    {"crimson", "#DC143C"},
    {"cyan", "#00FFFF"},
    {"darkblue", "#00008B"},
    {"darkcyan", "#008B8B"},
    {"darkgoldenrod", "#B8860B"},
    {"darkgray", "#A9A9A9"},
    {"darkgreen", "#006400"},
    {"darkgrey", "#A9A9A9"},
    {"darkkhaki", "#BDB76B"},
    {"darkmagenta", "#8B008B"},
    {"darkolivegreen", "#556B2F"},
    {"darkorange", "#FF8C00"},
    {"darkorchid", "#9932CC"},
    {"darkred", "#8B0000"},
    {"darksalmon", "#E9967A"},
    {"darkseagreen", "#8FBC8F"},
    {"darkslateblue", "#483D8B"},
    {"darkslategray", "#2F4F4F"},
    {"darkslategrey", "#2F4F4F"},
    {"darkturquoise", "#00CED1"},
    {"darkviolet", "#9400D3"},
    {"deeppink", "#FF1493"},
    {"deepskyblue", "#00BFFF"},
    {"dimgray", "#696969"},
    {"dimgrey", "#696969"},
    {"dodgerblue", "#1E90FF"},
    {"firebrick", "#B22222"},
    {"floralwhite", "#FFFAF0"},
    {"forestgreen", "#228B22"},
    {"fuchsia", "#FF00FF"},
    {"gainsboro", "#DCDCDC"},
    {"ghostwhite", "#F8F8FF"},
    {"gold", "#FFD700"},
    {"goldenrod", "#DAA520"},
    {"gray", "#808080"},
    {"green", "#008000"},
    {"greenyellow", "#ADFF2F"},
    {"grey", "#808080"},
    {"honeydew", "#F0FFF0"},
    {"hotpink", "#FF69B4"},
    {"indianred", "#CD5C5C"},
    {"indigo", "#4B0082"},
    {"ivory", "#FFFFF0"},
    {"khaki", "#F0E68C"},
    {"lavender", "#E6E6FA"},
    {"lavenderblush", "#FFF0F5"},
    {"lawngreen", "#7CFC00"},
    {"lemonchiffon", "#FFFACD"},
    {"lightblue", "#ADD8E6"},
    {"lightcoral", "#F08080"},
    {"lightcyan", "#E0FFFF"},
    {"lightgoldenrodyellow", "#FAFAD2"},
    {"lightgray", "#D3D3D3"},
    {"lightgreen", "#90EE90"},
    {"lightgrey", "#D3D3D3"},
    {"lightpink", "#FFB6C1"},
    {"lightsalmon", "#FFA07A"},
    {"lightseagreen", "#20B2AA"},
    {"lightskyblue", "#87CEFA"},
    {"lightslategray", "#778899"},
    {"lightslategrey", "#778899"},
    {"lightsteelblue", "#B0C4DE"},
    {"lightyellow", "#FFFFE0"},
    {"lime", "#00FF00"},
    {"limegreen", "#32CD32"},
    {"linen", "#FAF0E6"},
    {"magenta", "#FF00FF"},
    {"maroon", "#800000"},
    {"mediumaquamarine", "#66CDAA"},
    {"mediumblue", "#0000CD"},
    {"mediumorchid", "#BA55D3"},
    {"mediumpurple", "#9370DB"},
    {"mediumseagreen", "#3CB371"},
    {"mediumslateblue", "#7B68EE"},
    {"mediumspringgreen", "#00FA9A"},
    {"mediumturquoise", "#48D1CC"},
    {"mediumvioletred", "#C71585"},
    {"midnightblue", "#191970"},
    {"mintcream", "#F5FFFA"},
    {"mistyrose", "#FFE4E1"},
    {"moccasin", "#FFE4B5"},
    {"navajowhite", "#FFDEAD"},
    {"navy", "#000080"},
    {"oldlace", "#FDF5E6"},
    {"olive", "#808000"},
    {"olivedrab", "#6B8E23"},
    {"orange", "#FFA500"},
    {"orangered", "#FF4500"},
    {"orchid", "#DA70D6"},
    {"palegoldenrod", "#EEE8AA"},
    {"palegreen", "#98FB98"},
    {"paleturquoise", "#AFEEEE"},
    {"palevioletred", "#DB7093"},
    {"papayawhip", "#FFEFD5"},
    {"peachpuff", "#FFDAB9"},
    {"peru", "#CD853F"},
    {"pink", "#FFC0CB"},
    {"plum", "#DDA0DD"},
    {"powderblue", "#B0E0E6"},
    {"purple", "#800080"},
    {"rebeccapurple", "#663399"},
    {"red", "#FF0000"},
    {"rosybrown", "#BC8F8F"},
    {"royalblue", "#4169E1"},
    {"saddlebrown", "#8B4513"},
    {"salmon", "#FA8072"},
    {"sandybrown", "#F4A460"},
    {"seagreen", "#2E8B57"},
    {"seashell", "#FFF5EE"},
    {"sienna", "#A0522D"},
    {"silver", "#C0C0C0"},
    {"skyblue", "#87CEEB"},
    {"slateblue", "#6A5ACD"},
    {"slategray", "#708090"},
    {"slategrey", "#708090"},
    {"snow", "#FFFAFA"},
    {"springgreen", "#00FF7F"},
    {"steelblue", "#4682B4"},
    {"tan", "#D2B48C"},
    {"teal", "#008080"},
    {"thistle", "#D8BFD8"},
    {"tomato", "#FF6347"},
    {"turquoise", "#40E0D0"},
    {"violet", "#EE82EE"},
    {"wheat", "#F5DEB3"},
    {"white", "#FFFFFF"},
    {"whitesmoke", "#F5F5F5"},
    {"yellow", "#FFFF00"},
    {"yellowgreen", "#9ACD32"},
});

static_assert(kNamedColors.size() == 148);
static_assert(std::is_sorted(kNamedColors.begin(), kNamedColors.end(),
                             [](const NamedColor& a, const NamedColor& b) {
                                 return a.name < b.name;
                             }));

constexpr char ToLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The blanks CSS skips around a value.
constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
        if (ToLowerAscii(text[i]) != lowerPrefix[i]) {
            return false;
        }
    }
    return true;
}

// Compares `text`, folded to lower case, with a lower-case table name.
int CompareFolded(std::string_view text, std::string_view lowerName) {
    const std::size_t common = std::min(text.size(), lowerName.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char c = ToLowerAscii(text[i]);
        if (c != lowerName[i]) {
            return static_cast<unsigned char>(c) < static_cast<unsigned char>(lowerName[i]) ? -1
                                                                                            : 1;
        }
    }
    if (text.size() == lowerName.size()) {
        return 0;
    }
    return text.size() < lowerName.size() ? -1 : 1;
}

std::optional<std::uint32_t> HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint32_t>(c - '0');
    }
    const char lower = ToLowerAscii(c);
    if (lower >= 'a' && lower <= 'f') {
        return static_cast<std::uint32_t>(lower - 'a' + 10);
    }
    return std::nullopt;
}

// A CSS number without exponent: optional sign, digits, optional fraction. Very long digit runs
// only make the value huge (or infinite), which the clamping of channels absorbs.
std::optional<double> ParseNumber(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    double value = 0.0;
    bool anyDigit = false;
    while (i < text.size() && IsDigit(text[i])) {
        value = value * 10.0 + (text[i] - '0');
        anyDigit = true;
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        double scale = 0.1;
        bool fractionDigit = false;
        while (i < text.size() && IsDigit(text[i])) {
            value += (text[i] - '0') * scale;
            scale *= 0.1;
            fractionDigit = true;
            ++i;
        }
        // "1." is not a CSS number: the fraction needs at least one digit.
        if (!fractionDigit) {
            return std::nullopt;
        }
        anyDigit = true;
    }
    if (!anyDigit || i != text.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

// A number or a percentage; the percentage keeps its sign and is reported as such.
struct NumberOrPercentage {
    double value = 0.0;
    bool percentage = false;
};

std::optional<NumberOrPercentage> ParseNumberOrPercentage(std::string_view text) {
    text = TrimBlanks(text);
    NumberOrPercentage result;
    if (!text.empty() && text.back() == '%') {
        result.percentage = true;
        text.remove_suffix(1);
    }
    const std::optional<double> number = ParseNumber(text);
    if (!number) {
        return std::nullopt;
    }
    result.value = *number;
    return result;
}

// One rgb() channel as its 8-bit value. Out-of-range values are clamped as CSS does, so that
// rgb(300, 0, 0) is full red rather than wrapping round to a dark one.
std::optional<std::uint32_t> ParseChannel(std::string_view text) {
    const std::optional<NumberOrPercentage> parsed = ParseNumberOrPercentage(text);
    if (!parsed) {
        return std::nullopt;
    }
    double value = parsed->percentage ? parsed->value * 255.0 / 100.0 : parsed->value;
    value = std::clamp(value, 0.0, 255.0);
    return static_cast<std::uint32_t>(std::floor(value + 0.5));
}

constexpr std::uint32_t TopByteComponent(std::uint32_t v) {
    return v << 24;
}

constexpr std::uint32_t ReplicatedComponent(std::uint32_t v) {
    return v * 0x01010101u;
}

}  // namespace

std::optional<ColorComponents> ParseColorValue(std::string_view text) {
    text = TrimBlanks(text);
    if (text.find('(') != std::string_view::npos) {
        return ParseRgbColor(text);
    }
    if (!text.empty() && text.front() == '#') {
        return ParseHexColor(text);
    }
    if (const std::optional<std::string_view> hex = NamedColorToHex(text)) {
        return ParseHexColor(*hex);
    }
    return std::nullopt;
}

std::optional<std::string_view> NamedColorToHex(std::string_view name) {
    name = TrimBlanks(name);
    const auto found = std::lower_bound(kNamedColors.begin(), kNamedColors.end(), name,
                                        [](const NamedColor& entry, std::string_view key) {
                                            return CompareFolded(key, entry.name) > 0;
                                        });
    if (found == kNamedColors.end() || CompareFolded(name, found->name) != 0) {
        return std::nullopt;
    }
    return found->hex;
}

std::optional<ColorComponents> ParseHexColor(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty() || text.front() != '#') {
        return std::nullopt;
    }
    const std::string_view digits = text.substr(1);
    if (digits.size() != 3 && digits.size() != 6) {
        return std::nullopt;
    }
    std::array<std::uint32_t, 6> values{};
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const std::optional<std::uint32_t> value = HexDigitValue(digits[i]);
        if (!value) {
            return std::nullopt;
        }
        values[i] = *value;
    }
    std::array<std::uint32_t, 3> channels{};
    for (std::size_t i = 0; i < channels.size(); ++i) {
        // #RGB doubles each digit: #F80 is #FF8800.
        channels[i] =
            digits.size() == 3 ? values[i] * 0x11 : values[2 * i] * 16 + values[2 * i + 1];
    }
    return ColorComponents{TopByteComponent(channels[0]), TopByteComponent(channels[1]),
                           TopByteComponent(channels[2])};
}

std::optional<ColorComponents> ParseRgbColor(std::string_view text) {
    text = TrimBlanks(text);
    if (StartsWithIgnoringCase(text, "rgba(")) {
        text.remove_prefix(5);
    } else if (StartsWithIgnoringCase(text, "rgb(")) {
        text.remove_prefix(4);
    } else {
        return std::nullopt;
    }
    if (text.empty() || text.back() != ')') {
        return std::nullopt;
    }
    text.remove_suffix(1);

    std::array<std::uint32_t, 3> channels{};
    std::size_t pieceCount = 0;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view piece = text.substr(0, comma);
        if (pieceCount < channels.size()) {
            const std::optional<std::uint32_t> channel = ParseChannel(piece);
            if (!channel) {
                return std::nullopt;
            }
            channels[pieceCount] = *channel;
        } else if (pieceCount == channels.size()) {
            if (!ParseNumberOrPercentage(piece)) {
                return std::nullopt;
            }
        } else {
            return std::nullopt;  // more than red, green, blue and alpha
        }
        ++pieceCount;
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    if (pieceCount < channels.size()) {
        return std::nullopt;
    }
    return ColorComponents{ReplicatedComponent(channels[0]), ReplicatedComponent(channels[1]),
                           ReplicatedComponent(channels[2])};
}

double ColorComponentToIntensity(std::uint32_t component) {
    return static_cast<double>(component >> 24) / 255.0;
}

}  // namespace quirelle
