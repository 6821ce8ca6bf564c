#include "export/paper_size.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

namespace quirelle {

namespace {

constexpr double kPointsPerMillimetre = 72.0 / 25.4;
constexpr double kSmallestSide = 72.0;
constexpr double kLargestSide = 14400.0;

// One side: a number, in points or followed by "mm".
std::optional<double> Side(std::string_view text) {
    double scale = 1.0;
    if (text.ends_with("mm")) {
        text.remove_suffix(2);
        scale = kPointsPerMillimetre;
    } else if (text.ends_with("pt")) {
        text.remove_suffix(2);
    }
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    value *= scale;
    if (!(value >= kSmallestSide && value <= kLargestSide)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

const std::vector<NamedPaperSize>& PaperSizes() {
    static const std::vector<NamedPaperSize> sizes = {
        {"As the book", "book", {}},
        {"A4", "a4", {595.276, 841.89}},
        {"Letter", "letter", {612, 792}},
        {"A5", "a5", {419.528, 595.276}},
    };
    return sizes;
}

std::optional<PaperSize> ParsePaperSize(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const NamedPaperSize& named : PaperSizes()) {
        if (lower == named.option) {
            return named.size;
        }
    }
    const auto by = lower.find('x');
    if (by == std::string::npos) {
        return std::nullopt;
    }
    const auto width = Side(std::string_view(lower).substr(0, by));
    const auto height = Side(std::string_view(lower).substr(by + 1));
    if (!width || !height) {
        return std::nullopt;
    }
    return PaperSize{*width, *height};
}

}  // namespace quirelle
