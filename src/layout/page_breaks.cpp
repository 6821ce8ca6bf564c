#include "layout/page_breaks.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

namespace quirelle {

namespace {

using Span = BreakRequests::Span;

// Rows within this of each other are one place: layout positions are sums of fractions.
constexpr double kSlack = 0.01;

bool Fits(double top, double height, double limit) {
    return std::isfinite(top) && std::isfinite(height) && height > 0 && height <= limit;
}

// Spans in order, with those that overlap made one.
std::vector<Span> Merged(std::vector<Span> spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.top < b.top; });
    std::vector<Span> merged;
    for (const Span& span : spans) {
        if (!merged.empty() && span.top < merged.back().bottom) {
            merged.back().bottom = std::max(merged.back().bottom, span.bottom);
        } else {
            merged.push_back(span);
        }
    }
    return merged;
}

// The rows that must stay on one page: lines and pictures that fit on one, those that overlap
// (a picture on a line, say) as one span.
std::vector<Span> KeptTogether(const PageLayout& page, double limit) {
    std::vector<Span> spans;
    spans.reserve(page.lines.size() + page.pictures.size());
    for (const LineBox& line : page.lines) {
        if (Fits(line.top, line.height, limit)) {
            spans.push_back({line.top, line.top + line.height});
        }
    }
    for (const PlacedPicture& picture : page.pictures) {
        if (Fits(picture.y, picture.height, limit)) {
            spans.push_back({picture.y, picture.y + picture.height});
        }
    }
    return Merged(std::move(spans));
}

// Where the page from `top` ends: before the first span that crosses its foot, unless that span
// starts at the page's top (it is taller than a page); then nothing when `strict`, else where
// the page is full.
std::optional<double> CutBelow(const std::vector<Span>& spans, double top, double limit,
                               bool strict) {
    const double cut = top + limit;
    const auto straddled =
        std::upper_bound(spans.begin(), spans.end(), cut,
                         [](double y, const Span& span) { return y < span.bottom; });
    if (straddled == spans.end() || straddled->top >= cut) {
        return cut;
    }
    if (straddled->top > top + kSlack) {
        return straddled->top;
    }
    return strict ? std::nullopt : std::optional<double>(cut);
}

bool IsHeading(std::string_view name) {
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

}  // namespace

std::vector<double> PageBreaks(const PageLayout& page, double limit) {
    return PageBreaks(page, limit, {});
}

BreakRequests BreakRequestsOf(const DocumentTree& tree, const std::vector<ComputedStyle>& styles,
                              const PageLayout& page) {
    BreakRequests requests;
    std::vector<double> lineTops;
    lineTops.reserve(page.lines.size());
    for (const LineBox& line : page.lines) {
        lineTops.push_back(line.top);
    }
    std::sort(lineTops.begin(), lineTops.end());
    for (const BlockBox& block : page.blocks) {
        if (block.element == kNoNode || block.element >= styles.size() ||
            !tree.IsElement(block.element)) {
            continue;
        }
        const ComputedStyle& style = styles[block.element];
        const double bottom = block.y + block.height;
        if (style.breakBefore == CssBreak::Page) {
            requests.forced.push_back(block.y);
        }
        if (style.breakAfter == CssBreak::Page) {
            requests.forced.push_back(bottom);
        }
        if (style.breakInside != CssBreakInside::Auto) {
            requests.keep.push_back({block.y, bottom});
        }
        if (IsHeading(tree.LocalName(block.element))) {
            // The heading with the first line below it: a heading alone at a page's foot
            // introduces nothing.
            const auto next = std::lower_bound(lineTops.begin(), lineTops.end(), bottom - kSlack);
            if (next != lineTops.end()) {
                const auto line =
                    std::find_if(page.lines.begin(), page.lines.end(),
                                 [&](const LineBox& box) { return box.top == *next; });
                requests.keep.push_back({block.y, line->top + line->height});
            }
        }
    }
    std::sort(requests.forced.begin(), requests.forced.end());
    return requests;
}

std::vector<double> PageBreaks(const PageLayout& page, double limit,
                               const BreakRequests& requests) {
    std::vector<double> tops{0.0};
    if (!(limit > 0) || !std::isfinite(page.height)) {
        return tops;
    }
    const std::vector<Span> lines = KeptTogether(page, limit);
    std::vector<Span> kept = lines;
    for (const Span& span : requests.keep) {
        if (Fits(span.top, span.bottom - span.top, limit)) {
            kept.push_back(span);
        }
    }
    kept = Merged(std::move(kept));
    // A forced break before anything is drawn, or after the last of it, would make a blank page.
    const double contentBottom = lines.empty() ? 0.0 : lines.back().bottom;
    const auto hasContent = [&](double from, double to) {
        const auto first =
            std::upper_bound(lines.begin(), lines.end(), from + kSlack,
                             [](double y, const Span& span) { return y < span.bottom; });
        return first != lines.end() && first->top < to - kSlack;
    };
    // The text and pictures decide where a document ends: a block's background reaches down
    // through the margins below them.
    double drawnBottom = 0;
    for (const LineBox& line : page.lines) {
        drawnBottom = std::max(drawnBottom, line.top + line.height);
    }
    for (const PlacedPicture& picture : page.pictures) {
        drawnBottom = std::max(drawnBottom, picture.y + picture.height);
    }
    auto forced = requests.forced.begin();
    double top = 0;
    for (;;) {
        while (forced != requests.forced.end() && *forced <= top + kSlack) {
            ++forced;
        }
        if (forced != requests.forced.end() && *forced <= top + limit &&
            *forced < contentBottom - kSlack && hasContent(top, *forced)) {
            top = *forced;
            tops.push_back(top);
            continue;
        }
        if (page.height - top <= limit) {
            break;
        }
        double cut = top + limit;
        if (const auto keeping = CutBelow(kept, top, limit, true)) {
            cut = *keeping;
        } else {
            cut = *CutBelow(lines, top, limit, false);
        }
        // Rows below the last text or picture (a body's bottom margin) make no page of their
        // own.
        if (drawnBottom > 0 && drawnBottom <= cut + kSlack) {
            break;
        }
        tops.push_back(cut);
        top = cut;
    }
    return tops;
}

}  // namespace quirelle
