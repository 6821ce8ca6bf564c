#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/document_tree.hpp"
#include "layout/box_layout.hpp"
#include "layout/box_tree.hpp"
#include "layout/page_layout.hpp"
#include "platform/settings.hpp"
#include "style/computed_style.hpp"
#include "style/style_resolver.hpp"

namespace quirelle {

// What a document's styles come from besides its own text: the reader's settings, whether the
// book's own styles apply, and how to read the book's sheets and pictures.
struct StyleInputs {
    const Settings* settings = nullptr;
    bool bookStyles = true;
    MemberReader readMember;
    // The book's sheets read so far, kept by whoever lays the book's documents out; none
    // reads each sheet for each document.
    SheetCache* sheets = nullptr;
    // Whether the sheets read and their rules go to the style dump.
    bool debugCss = false;
};

// One document taken through every stage: its tree, the computed style of each element, its
// boxes, and the page they were laid out on. The tree and styles are kept with the page, so
// that a link's or an id's element can be asked about.
struct DocumentLayout {
    DocumentTree tree;
    std::vector<ComputedStyle> styles;
    BoxTree boxes;
    PageLayout page;
    double width = 0;
    double viewportHeight = 0;
};

// Parses `text`, resolves its styles, builds its boxes and lays them out `width` wide, for a
// view `viewportHeight` high (the base of vh). The fonts are those of `fonts` on `cr`.
std::unique_ptr<DocumentLayout> BuildDocumentLayout(std::string_view text,
                                                    const std::string& documentPath,
                                                    const StyleInputs& inputs, FontCache& fonts,
                                                    cairo_t* cr, double width,
                                                    double viewportHeight,
                                                    const PictureSizer& pictureSize);

}  // namespace quirelle
