#pragma once

#include <vector>

#include "document/document_tree.hpp"
#include "style/css_declaration.hpp"

namespace quirelle {

// What an element's old presentational attributes ask for, as declarations that weigh less than
// any rule of the book's sheets: `<font color face size>`, `align` on blocks and cells, `bgcolor`.
// Older books still set their type this way.
std::vector<CssDeclaration> PresentationalHints(const DocumentTree& tree, NodeIndex element);

}  // namespace quirelle
