#pragma once

#include <cstddef>
#include <string>

namespace quirelle {

// The pictures of one document that get a record of their own; only a hostile document has
// more, and those beyond share the last record (they are still placed and drawn).
inline constexpr std::size_t kMaxPictureRecords = 100'000;

// A picture placed on the page by the layout pass, where it is drawn.
struct PictureRecord {
    double x = 0, y = 0, width = 0, height = 0;
    std::string name;     // file part of the source, or "SVG" for inline SVG
    std::string svgText;  // the markup of an inline svg element
    int naturalWidth = 0;
    int naturalHeight = 0;
};

}  // namespace quirelle
