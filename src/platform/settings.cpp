#include "platform/settings.hpp"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <iterator>
#include <type_traits>
#include <utility>
#include <variant>

namespace quirelle {

namespace {

// Where a stored setting lives in Settings: a member, or the font or size of a style row.
using RowText = std::pair<StyleSetting Settings::*, std::string StyleSetting::*>;
// A number that only makes sense within bounds: a value outside them is refused, not clamped,
// so that a typing slip does not silently become a different size.
struct BoundedNumber {
    int Settings::*member;
    int lowest;
    int highest;
};
using Place =
    std::variant<std::string Settings::*, RowText, bool Settings::*, SettingsColor Settings::*,
                 int Settings::*, PageTheme Settings::*, BoundedNumber>;

struct Field {
    std::string key;
    Place place;
};

std::vector<Field> MakeFields() {
    std::vector<Field> fields = {
        {"horizontal_margin", &Settings::horizontalMargin},
        {"vertical_margin", &Settings::verticalMargin},
    };
    const std::pair<const char*, StyleSetting Settings::*> rows[] = {
        {"standart", &Settings::standart},       {"header_1", &Settings::header1},
        {"header_2", &Settings::header2},        {"header_3", &Settings::header3},
        {"header_4", &Settings::header4},        {"list", &Settings::list},
        {"preformated", &Settings::preformated}, {"strong", &Settings::strong},
        {"emphasis", &Settings::emphasis},       {"hyperlink", &Settings::hyperlink},
    };
    for (const auto& [name, row] : rows) {
        fields.push_back({std::string(name) + "_font", RowText{row, &StyleSetting::font}});
        fields.push_back({std::string(name) + "_size", RowText{row, &StyleSetting::size}});
    }
    const Field rest[] = {
        {"preformated_color", &Settings::preformatedColor},
        {"hyperlink_color", &Settings::hyperlinkColor},
        {"pagelist", &Settings::pagelist},
        {"pageslider", &Settings::pageslider},
        {"css", &Settings::css},
        {"ignore_toc", &Settings::ignoreToc},
        {"theme", &Settings::theme},
        {"pagelist_divider", &Settings::pagelistDivider},
        {"panel_divider", &Settings::panelDivider},
        {"cover_divider", &Settings::coverDivider},
        {"zoom", BoundedNumber{&Settings::zoom, kMinZoom, kMaxZoom}},
        {"linelength", BoundedNumber{&Settings::lineLength, 0, kMaxLineLength}},
    };
    fields.insert(fields.end(), std::begin(rest), std::end(rest));
    return fields;
}

const std::vector<Field>& Fields() {
    static const std::vector<Field> fields = MakeFields();
    return fields;
}

const Field* FindField(std::string_view key) {
    for (const Field& field : Fields()) {
        if (field.key == key) {
            return &field;
        }
    }
    return nullptr;
}

// A bounded number as the visitors see it: the member, and the bounds it must keep.
template <typename SettingsType>
struct Bounded {
    std::conditional_t<std::is_const_v<SettingsType>, const int&, int&> value;
    int lowest;
    int highest;
};

// Calls `visit` with the setting a field names, in `settings` (const or not).
template <typename SettingsType, typename Visit>
auto VisitField(SettingsType& settings, const Field& field, Visit&& visit) {
    return std::visit(
        [&](auto member) {
            if constexpr (std::is_same_v<decltype(member), RowText>) {
                return visit((settings.*member.first).*member.second);
            } else if constexpr (std::is_same_v<decltype(member), BoundedNumber>) {
                return visit(
                    Bounded<SettingsType>{settings.*member.member, member.lowest, member.highest});
            } else {
                return visit(settings.*member);
            }
        },
        field.place);
}

std::optional<bool> ParseSwitch(std::string_view value) {
    if (value == "1" || value == "true" || value == "on" || value == "yes")
        return true;
    if (value == "0" || value == "false" || value == "off" || value == "no")
        return false;
    return std::nullopt;
}

// A whole decimal integer and nothing else: a divider position typed wrongly keeps its default.
std::optional<int> ParseNumber(std::string_view value) {
    int number = 0;
    const char* last = value.data() + value.size();
    const auto result = std::from_chars(value.data(), last, number);
    if (value.empty() || result.ec != std::errc() || result.ptr != last) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

int LeadingInteger(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) {
        ++start;
    }
    long long value = 0;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') {
        ++first;
    }
    const auto result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range) {
        return (first != last && *first == '-') ? INT_MIN : INT_MAX;
    }
    if (result.ec != std::errc()) {
        return 0;
    }
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int Settings::HorizontalMarginValue() const {
    return LeadingInteger(horizontalMargin);
}
int Settings::VerticalMarginValue() const {
    return LeadingInteger(verticalMargin);
}

std::string FormatSettingsColor(const SettingsColor& color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red >> 24, color.green >> 24,
                  color.blue >> 24);
    return text;
}

std::optional<SettingsColor> ParseSettingsColor(std::string_view text) {
    if (text.size() != 7 || text[0] != '#') {
        return std::nullopt;
    }
    std::uint32_t bytes[3];
    for (int i = 0; i < 3; ++i) {
        const char* first = text.data() + 1 + 2 * i;
        unsigned value = 0;
        const auto result = std::from_chars(first, first + 2, value, 16);
        if (result.ec != std::errc() || result.ptr != first + 2) {
            return std::nullopt;
        }
        bytes[i] = value * 0x01010101u;  // the gadget's 32-bit form: all four bytes alike
    }
    return SettingsColor{bytes[0], bytes[1], bytes[2]};
}

namespace {

bool Assign(std::string& target, std::string_view value) {
    target = value;
    return true;
}

template <typename Value, typename Parse>
bool AssignParsed(Value& target, std::string_view value, Parse parse) {
    if (const auto parsed = parse(value)) {
        target = *parsed;
        return true;
    }
    return false;
}

bool Assign(bool& target, std::string_view value) {
    return AssignParsed(target, value, ParseSwitch);
}
bool Assign(SettingsColor& target, std::string_view value) {
    return AssignParsed(target, value, ParseSettingsColor);
}
bool Assign(int& target, std::string_view value) {
    return AssignParsed(target, value, ParseNumber);
}
bool Assign(PageTheme& target, std::string_view value) {
    return AssignParsed(target, value, ParsePageTheme);
}
bool Assign(Bounded<Settings> target, std::string_view value) {
    const std::optional<int> number = ParseNumber(value);
    if (!number || *number < target.lowest || *number > target.highest) {
        return false;
    }
    target.value = *number;
    return true;
}

std::string Format(const std::string& value) {
    return value;
}
std::string Format(bool value) {
    return value ? "1" : "0";
}
std::string Format(const SettingsColor& value) {
    return FormatSettingsColor(value);
}
std::string Format(int value) {
    return std::to_string(value);
}
std::string Format(PageTheme value) {
    return std::string(PageThemeName(value));
}
std::string Format(const Bounded<const Settings>& value) {
    return std::to_string(value.value);
}

}  // namespace

bool Settings::Set(std::string_view key, std::string_view value) {
    const Field* field = FindField(key);
    return field != nullptr &&
           VisitField(*this, *field, [value](auto&& target) { return Assign(target, value); });
}

std::optional<std::string> Settings::Get(std::string_view key) const {
    const Field* field = FindField(key);
    if (field == nullptr) {
        return std::nullopt;
    }
    return VisitField(*this, *field, [](const auto& value) { return Format(value); });
}

const std::vector<std::string>& Settings::Keys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> names;
        for (const Field& field : Fields()) {
            names.push_back(field.key);
        }
        return names;
    }();
    return keys;
}

}  // namespace quirelle
