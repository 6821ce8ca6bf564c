#pragma once

#include <cstddef>
#include <string>

namespace quirelle {

inline constexpr std::size_t kPictureCapacity = 100;

// A picture placed on the page by the layout pass; drawn later onto the picture layer.
struct PictureRecord {
    double x = 0, y = 0, width = 0, height = 0;
    std::string name;     // file part of the source, or "SVG" for inline SVG
    std::string svgText;  // the markup of an inline svg element
    int naturalWidth = 0;
    int naturalHeight = 0;
};

}  // namespace quirelle
