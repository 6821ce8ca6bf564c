#include "platform/settings.hpp"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <functional>

namespace quirelle {

namespace {

enum class Kind { Text, Switch, Color, Number };

// One stored setting: its key, and where it lives in Settings.
struct Field {
    std::string key;
    Kind kind;
    std::function<std::string*(Settings&)> text;
    std::function<bool*(Settings&)> flag;
    std::function<SettingsColor*(Settings&)> color;
    std::function<int*(Settings&)> number;
};

std::vector<Field> MakeFields() {
    std::vector<Field> fields;
    auto text = [&](std::string key, std::string* (*access)(Settings&)) {
        fields.push_back({std::move(key), Kind::Text, access, nullptr, nullptr, nullptr});
    };
    auto flag = [&](std::string key, bool* (*access)(Settings&)) {
        fields.push_back({std::move(key), Kind::Switch, nullptr, access, nullptr, nullptr});
    };
    auto color = [&](std::string key, SettingsColor* (*access)(Settings&)) {
        fields.push_back({std::move(key), Kind::Color, nullptr, nullptr, access, nullptr});
    };
    auto number = [&](std::string key, int* (*access)(Settings&)) {
        fields.push_back({std::move(key), Kind::Number, nullptr, nullptr, nullptr, access});
    };
    text("horizontal_margin", [](Settings& s) { return &s.horizontalMargin; });
    text("vertical_margin", [](Settings& s) { return &s.verticalMargin; });
    using Row = StyleSetting* (*)(Settings&);
    const std::pair<const char*, Row> rows[] = {
        {"standart", [](Settings& s) { return &s.standart; }},
        {"header_1", [](Settings& s) { return &s.header1; }},
        {"header_2", [](Settings& s) { return &s.header2; }},
        {"header_3", [](Settings& s) { return &s.header3; }},
        {"header_4", [](Settings& s) { return &s.header4; }},
        {"list", [](Settings& s) { return &s.list; }},
        {"preformated", [](Settings& s) { return &s.preformated; }},
        {"strong", [](Settings& s) { return &s.strong; }},
        {"emphasis", [](Settings& s) { return &s.emphasis; }},
        {"hyperlink", [](Settings& s) { return &s.hyperlink; }},
    };
    for (const auto& [name, row] : rows) {
        fields.push_back({std::string(name) + "_font", Kind::Text,
                          [row](Settings& s) { return &row(s)->font; }, nullptr, nullptr, nullptr});
        fields.push_back({std::string(name) + "_size", Kind::Text,
                          [row](Settings& s) { return &row(s)->size; }, nullptr, nullptr, nullptr});
    }
    color("preformated_color", [](Settings& s) { return &s.preformatedColor; });
    color("hyperlink_color", [](Settings& s) { return &s.hyperlinkColor; });
    flag("pagelist", [](Settings& s) { return &s.pagelist; });
    flag("pageslider", [](Settings& s) { return &s.pageslider; });
    flag("css", [](Settings& s) { return &s.css; });
    flag("ignore_toc", [](Settings& s) { return &s.ignoreToc; });
    number("pagelist_divider", [](Settings& s) { return &s.pagelistDivider; });
    number("panel_divider", [](Settings& s) { return &s.panelDivider; });
    number("cover_divider", [](Settings& s) { return &s.coverDivider; });
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

std::optional<bool> ParseSwitch(std::string_view value) {
    if (value == "1" || value == "true" || value == "on" || value == "yes") return true;
    if (value == "0" || value == "false" || value == "off" || value == "no") return false;
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

int Settings::HorizontalMarginValue() const { return LeadingInteger(horizontalMargin); }
int Settings::VerticalMarginValue() const { return LeadingInteger(verticalMargin); }

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

bool Settings::Set(std::string_view key, std::string_view value) {
    const Field* field = FindField(key);
    if (field == nullptr) {
        return false;
    }
    switch (field->kind) {
        case Kind::Text:
            *field->text(*this) = std::string(value);
            return true;
        case Kind::Switch:
            if (auto on = ParseSwitch(value)) {
                *field->flag(*this) = *on;
                return true;
            }
            return false;
        case Kind::Color:
            if (auto color = ParseSettingsColor(value)) {
                *field->color(*this) = *color;
                return true;
            }
            return false;
        case Kind::Number:
            if (auto number = ParseNumber(value)) {
                *field->number(*this) = *number;
                return true;
            }
            return false;
    }
    return false;
}

std::optional<std::string> Settings::Get(std::string_view key) const {
    const Field* field = FindField(key);
    if (field == nullptr) {
        return std::nullopt;
    }
    // The accessors only hand out addresses; nothing is written through them here.
    Settings& self = const_cast<Settings&>(*this);
    switch (field->kind) {
        case Kind::Text: return *field->text(self);
        case Kind::Switch: return *field->flag(self) ? "1" : "0";
        case Kind::Color: return FormatSettingsColor(*field->color(self));
        case Kind::Number: return std::to_string(*field->number(self));
    }
    return std::nullopt;
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
