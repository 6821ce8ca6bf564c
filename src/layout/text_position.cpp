#include "layout/text_position.hpp"

#include <algorithm>

namespace quirelle {

namespace {

bool HasSource(const PlacedWord& word) {
    return word.sourceNode != kNoNode;
}

InkPlace PlaceOf(const PlacedWord& word) {
    return {word.sourceNode, word.sourceInk};
}

// Calls `visit(line, word)` for every word of the page that comes from the document's text.
template <typename Visit>
void ForEachSourceWord(const PageLayout& page, Visit&& visit) {
    for (const LineBox& line : page.lines) {
        for (std::uint32_t i = 0; i < line.wordCount; ++i) {
            const std::size_t index = line.firstWord + i;
            if (index < page.words.size() && HasSource(page.words[index])) {
                visit(line, page.words[index]);
            }
        }
    }
}

// The word of the page that starts last at or before `place`: the one that holds it.
const PlacedWord* WordHolding(const PageLayout& page, InkPlace place, const LineBox** lineOut) {
    const PlacedWord* best = nullptr;
    ForEachSourceWord(page, [&](const LineBox& line, const PlacedWord& word) {
        const InkPlace at = PlaceOf(word);
        if (at <= place && (best == nullptr || PlaceOf(*best) < at)) {
            best = &word;
            *lineOut = &line;
        }
    });
    return best;
}

}  // namespace

std::optional<TextOffset> TextOffsetAtTop(const PageLayout& page, const DocumentTree& tree,
                                          double top) {
    for (const LineBox& line : page.lines) {
        if (line.top + line.height / 2 < top) {
            continue;
        }
        const PlacedWord* first = nullptr;
        for (std::uint32_t i = 0; i < line.wordCount; ++i) {
            const std::size_t index = line.firstWord + i;
            if (index >= page.words.size() || !HasSource(page.words[index])) {
                continue;
            }
            // Right to left the line's first word stands at its right end: the earliest in the
            // text is the one read first.
            if (first == nullptr || PlaceOf(page.words[index]) < PlaceOf(*first)) {
                first = &page.words[index];
            }
        }
        if (first != nullptr) {
            return TextOffsetOf(tree, PlaceOf(*first));
        }
    }
    return std::nullopt;
}

std::optional<double> LineTopOfTextOffset(const PageLayout& page, const DocumentTree& tree,
                                          TextOffset offset) {
    const std::optional<InkPlace> place = InkPlaceOf(tree, offset);
    if (!place) {
        return std::nullopt;
    }
    const LineBox* line = nullptr;
    if (WordHolding(page, *place, &line) == nullptr) {
        return std::nullopt;
    }
    return line->top;
}

double ScrollTopOfTextOffset(const PageLayout& page, const DocumentTree& tree, TextOffset offset) {
    const std::optional<double> top = LineTopOfTextOffset(page, tree, offset);
    if (!top || page.lines.empty()) {
        return 0.0;
    }
    double first = page.lines.front().top;
    for (const LineBox& line : page.lines) {
        first = std::min(first, line.top);
    }
    return *top <= first ? 0.0 : *top;
}

std::vector<WordRect> WordRectsOf(const PageLayout& page, const DocumentTree& tree,
                                  TextOffset offset, std::uint32_t length) {
    std::vector<WordRect> rects;
    const std::optional<InkPlace> first = InkPlaceOf(tree, offset);
    const std::optional<InkPlace> last = InkPlaceOf(tree, offset + (length > 0 ? length - 1 : 0));
    if (!first || !last) {
        return rects;
    }
    const LineBox* holdingLine = nullptr;
    const PlacedWord* holding = WordHolding(page, *first, &holdingLine);
    ForEachSourceWord(page, [&](const LineBox& line, const PlacedWord& word) {
        const InkPlace at = PlaceOf(word);
        if (&word == holding || (*first < at && at <= *last)) {
            rects.push_back({word.x, line.top, word.width, line.height});
        }
    });
    return rects;
}

}  // namespace quirelle
