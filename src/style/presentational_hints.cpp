#include "style/presentational_hints.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace quirelle {

namespace {

// A value becomes part of a declaration's text, so nothing in it may end the declaration or
// open another.
bool SafeValue(std::string_view value) {
    return !value.empty() && value.find_first_of(";{}!\\") == std::string_view::npos;
}

// `<font size>`: 1 to 7, or a step up or down from 3, as HTML maps them to the size keywords.
std::string_view FontSizeKeyword(std::string_view value) {
    static constexpr std::array<std::string_view, 7> kKeywords = {
        "x-small", "small", "medium", "large", "x-large", "xx-large", "xxx-large"};
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
    }
    int sign = 0;
    if (!value.empty() && (value.front() == '+' || value.front() == '-')) {
        sign = value.front() == '+' ? 1 : -1;
        value.remove_prefix(1);
    }
    int number = 0;
    std::size_t digits = 0;
    for (; digits < value.size() && value[digits] >= '0' && value[digits] <= '9'; ++digits) {
        number = std::min(number * 10 + (value[digits] - '0'), 100);
    }
    if (digits == 0) {
        return {};
    }
    const int size = std::clamp(sign == 0 ? number : 3 + sign * number, 1, 7);
    return kKeywords[static_cast<std::size_t>(size - 1)];
}

bool IsAlignValue(std::string_view value) {
    for (const std::string_view known : {"left", "right", "center", "justify"}) {
        if (value.size() == known.size() &&
            std::equal(value.begin(), value.end(), known.begin(),
                       [](char a, char b) { return (a | 0x20) == b; })) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<CssDeclaration> PresentationalHints(const DocumentTree& tree, NodeIndex element) {
    const std::string_view name = tree.LocalName(element);
    std::string block;
    const auto add = [&](std::string_view property, std::string_view value) {
        if (SafeValue(value)) {
            block.append(property).append(":").append(value).append(";");
        }
    };
    if (name == "font") {
        if (const auto color = tree.Attribute(element, "color")) {
            add("color", *color);
        }
        if (const auto face = tree.Attribute(element, "face")) {
            add("font-family", *face);
        }
        if (const auto size = tree.Attribute(element, "size")) {
            add("font-size", FontSizeKeyword(*size));
        }
    } else if (name == "p" || name == "div" || name == "td" || name == "th" || name == "tr" ||
               (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6')) {
        if (const auto align = tree.Attribute(element, "align"); align && IsAlignValue(*align)) {
            add("text-align", *align);
        }
    }
    if (name == "body" || name == "table" || name == "td" || name == "th" || name == "tr") {
        if (const auto color = tree.Attribute(element, "bgcolor")) {
            add("background-color", *color);
        }
    }
    if (block.empty()) {
        return {};
    }
    return ParseDeclarationBlock(block);
}

}  // namespace quirelle
