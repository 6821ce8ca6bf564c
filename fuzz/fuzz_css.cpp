// A style sheet as a book brings it: read into rules, and each rule's declarations applied to a
// style as the cascade applies them, then once more to a child of that style, so that inherit
// and the font-relative units start from what the hostile rule left.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "style/computed_style.hpp"
#include "style/css_sheet.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const quirelle::CssSheet sheet = quirelle::ParseCssSheet(text);
    const quirelle::StyleContext context;
    const quirelle::ComputedStyle root = quirelle::InitialStyle(context);
    for (const quirelle::CssStyleRule& rule : sheet.rules) {
        quirelle::ComputedStyle style = quirelle::InheritedStyle(root);
        quirelle::ApplyDeclarations(style, rule.declarations, root, context);
        quirelle::ComputedStyle child = quirelle::InheritedStyle(style);
        quirelle::ApplyDeclarations(child, rule.declarations, style, context);
        quirelle::UsedLineHeight(child);
    }
    return 0;
}
