// A colour text from a style rule or a font element's color attribute.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "style/color_value.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    quirelle::ParseColorValue(text);
    quirelle::ParseHexColor(text);
    quirelle::ParseRgbColor(text);
    return 0;
}
