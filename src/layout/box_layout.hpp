#pragma once

#include <cairo.h>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "document/document_tree.hpp"
#include "layout/box_tree.hpp"
#include "layout/font_cache.hpp"
#include "layout/page_layout.hpp"
#include "media/picture_size.hpp"
#include "style/computed_style.hpp"

namespace quirelle {

// The natural size of a picture of the book by its member path; nothing when it cannot be had.
using PictureSizer = std::function<std::optional<PictureSize>(const std::string& path)>;

// What one layout of a document takes: its tree, styles and boxes, the fonts (shared with
// every other layout of the view), a context whose target decides the fonts' metrics (an image
// or a PDF surface), and the page's width. The result refers to fonts of `fonts`.
struct LayoutInput {
    const DocumentTree& tree;
    std::span<const ComputedStyle> styles;
    const BoxTree& boxes;
    FontCache& fonts;
    cairo_t* cr;
    double width = 800;
    // The document's path in the book, against which pictures' sources are resolved.
    std::string documentPath;
    PictureSizer pictureSize;
};

// Lays the boxes out: blocks stacked with their margins collapsed, lines broken and aligned,
// every glyph, rule, picture and link placed on one tall page.
PageLayout LayOutBoxes(const LayoutInput& input);

}  // namespace quirelle
