#pragma once

#include <string_view>

namespace quirelle {

class DocumentView;

// One layout pass: walks the XHTML text with expat and draws it on the view's layout context as
// it goes, element by element. Nothing is kept between passes but what the view's data holds.
void LayoutDocument(DocumentView& view, std::string_view text);

}  // namespace quirelle
