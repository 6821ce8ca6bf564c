#pragma once

namespace quirelle {

// The size of a picture in pixels.
struct PictureSize {
    int width = 0;
    int height = 0;

    long long Pixels() const { return static_cast<long long>(width) * height; }
    bool operator==(const PictureSize&) const = default;
};

// No picture of a book is decoded beyond this many pixels (100 MB as 32-bit pixels): real books
// stay far below it, and a file that claims 100000 x 100000 pixels is refused from its header,
// before a single row is unpacked.
inline constexpr long long kMaxPicturePixels = 25'000'000;

}  // namespace quirelle
