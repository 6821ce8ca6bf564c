#pragma once

#include <string>
#include <string_view>

#include "document/document_tree.hpp"

namespace quirelle {

// The markup of an element and everything in it, written back from the tree as well-formed
// XHTML: names as written, attribute values and text escaped. Prefixes the element's own
// document declared are declared again on the element (an `epub:type` needs its namespace to
// stand alone), so that the markup can be set into a page of its own: a note shown apart from
// its document.
// An unprefixed element that declares no namespace of its own is put in `defaultNamespace`
// when one is given: an inline `svg` a book wrote without its namespace is still SVG.
std::string MarkupOf(const DocumentTree& tree, NodeIndex element,
                     std::string_view defaultNamespace = {});

}  // namespace quirelle
