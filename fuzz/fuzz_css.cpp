// A style sheet as a book brings it: read into rules, then looked up as the layout looks up.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "style/style_sheet.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    quirelle::StyleSheet sheet;
    sheet.ParseStyleSheet(text, false);
    for (const std::string_view key : {"p", "body", "h1", "p.note", ".note", "a", "img"}) {
        sheet.FindStyleRule(key, false);
    }
    return 0;
}
