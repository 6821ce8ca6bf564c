#pragma once

#include <cstdint>
#include <optional>

#include "document/document_tree.hpp"

namespace quirelle {

// A place in a document's text that holds whatever the width, the font or the zoom: how many
// characters (code points) of the document's character data come before it, counting every
// text node in document order as expat gave it (white space as the source has it, hidden text
// too). The reading position, the history and the search's hits all name places this way.
using TextOffset = std::uint32_t;

// The white space that laying text out may collapse or drop; every other character is kept one
// for one, so counting the others finds the same place before and after.
constexpr bool IsSourceBlank(char32_t c) {
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r';
}

// A place as the layout knows it: a text node, and how many of its characters other than
// white space come before the place.
struct InkPlace {
    NodeIndex textNode = kNoNode;
    std::uint32_t ink = 0;
    auto operator<=>(const InkPlace&) const = default;
};

// The offset of the character at `place`: its first character other than white space from
// there on (the end of the node's text where none is left).
TextOffset TextOffsetOf(const DocumentTree& tree, InkPlace place);

// The place of `offset` as the layout names it; nothing beyond the document's text.
std::optional<InkPlace> InkPlaceOf(const DocumentTree& tree, TextOffset offset);

}  // namespace quirelle
