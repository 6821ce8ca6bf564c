// The bytes of a picture member: measured, decoded at its size and smaller, and read as SVG.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "media/raster_picture.hpp"
#include "media/svg_picture.hpp"

namespace {

// Enough for any seed, small enough that a picture claiming more is refused quickly.
constexpr long long kFuzzPixels = 4'000'000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (quirelle::LooksLikeSvg(bytes)) {
        quirelle::RasterizeSvg(bytes, kFuzzPixels);
        return 0;
    }
    if (const auto natural = quirelle::MeasureRasterPicture(bytes, kFuzzPixels)) {
        quirelle::DecodeRasterPicture(bytes, *natural, kFuzzPixels);
        quirelle::DecodeRasterPicture(
            bytes, quirelle::PictureSize{natural->width / 2 + 1, natural->height / 2 + 1},
            kFuzzPixels);
    }
    return 0;
}
