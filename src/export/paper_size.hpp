#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace quirelle {

// The sheet a PDF is printed on, in points; none ("As the book") makes each page as tall as its
// document, up to the tallest page viewers take.
struct PaperSize {
    double width = 0;
    double height = 0;
    bool AsTheBook() const { return !(width > 0 && height > 0); }
    bool operator==(const PaperSize&) const = default;
};

// The sizes the export window offers, by name, "As the book" first.
struct NamedPaperSize {
    const char* name;
    const char* option;  // as --page-size takes it
    PaperSize size;
};
const std::vector<NamedPaperSize>& PaperSizes();

// --page-size's value: "book", "a4", "letter", "a5" (any case), or "WxH" in points, or with
// "mm" after each number ("148mmx210mm"). Nothing for anything else, and for a sheet smaller
// than an inch or larger than the 14,400 points PDF viewers take.
std::optional<PaperSize> ParsePaperSize(std::string_view text);

}  // namespace quirelle
