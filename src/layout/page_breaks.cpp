#include "layout/page_breaks.hpp"

#include <algorithm>
#include <cmath>

namespace quirelle {

namespace {

struct Span {
    double top = 0;
    double bottom = 0;
};

// The rows that must stay on one page, as disjoint spans in order: lines and pictures that
// overlap (a picture on a line, say) become one span.
std::vector<Span> KeptTogether(const PageLayout& page, double limit) {
    std::vector<Span> spans;
    spans.reserve(page.lines.size() + page.pictures.size());
    const auto keep = [&](double top, double height) {
        if (std::isfinite(top) && std::isfinite(height) && height > 0 && height <= limit) {
            spans.push_back({top, top + height});
        }
    };
    for (const LineBox& line : page.lines) {
        keep(line.top, line.height);
    }
    for (const PlacedPicture& picture : page.pictures) {
        keep(picture.y, picture.height);
    }
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

}  // namespace

std::vector<double> PageBreaks(const PageLayout& page, double limit) {
    std::vector<double> tops{0.0};
    if (!(limit > 0) || !std::isfinite(page.height)) {
        return tops;
    }
    const std::vector<Span> spans = KeptTogether(page, limit);
    double top = 0;
    while (page.height - top > limit) {
        double cut = top + limit;
        // The first span that ends below the cut; if it starts above it, the page ends at its
        // top instead, unless that leaves the page empty.
        const auto straddled =
            std::upper_bound(spans.begin(), spans.end(), cut,
                             [](double y, const Span& span) { return y < span.bottom; });
        if (straddled != spans.end() && straddled->top < cut && straddled->top > top) {
            cut = straddled->top;
        }
        tops.push_back(cut);
        top = cut;
    }
    return tops;
}

}  // namespace quirelle
