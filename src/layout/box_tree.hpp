#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/document_tree.hpp"
#include "style/computed_style.hpp"

namespace quirelle {

using BoxIndex = std::uint32_t;
inline constexpr BoxIndex kNoBox = 0xFFFFFFFFu;

enum class BoxKind : std::uint8_t {
    // A block container: it stacks block children, or lays out inline items in lines, never
    // both (inline runs beside blocks are wrapped in anonymous blocks, as CSS says).
    Block,
    // A picture, SVG or media element on a line of its own.
    Replaced,
};

// One piece of a block container's inline content, in document order.
struct InlineItem {
    enum class Kind : std::uint8_t {
        Text,         // white space already processed; the text is in the tree's text store
        OpenInline,   // an inline element starts (or goes on after a block split it)
        CloseInline,  // and ends (or pauses before such a block)
        Replaced,     // an inline picture, SVG or media element
        ForcedBreak,  // `br`, or a line end kept by `white-space`
        InlineBlock,  // a block laid out on its own and placed in the line whole (`box`)
    };
    Kind kind = Kind::Text;
    // The element, or for text the text node (whose style is its parent's).
    NodeIndex node = kNoNode;
    std::uint32_t textOffset = 0;
    std::uint32_t textLength = 0;
    BoxIndex box = kNoBox;
};

struct Box {
    BoxKind kind = BoxKind::Block;
    // The element that makes the box; kNoNode for an anonymous block, which takes the style of
    // `styleNode`, its nearest element.
    NodeIndex node = kNoNode;
    NodeIndex styleNode = kNoNode;
    BoxIndex parent = kNoBox;
    BoxIndex firstChild = kNoBox;
    BoxIndex lastChild = kNoBox;
    BoxIndex nextSibling = kNoBox;
    std::uint32_t firstItem = 0;
    std::uint32_t itemCount = 0;
    // A list item's number, as its list counts (start, value, reversed); 0 for other boxes.
    int ordinal = 0;
    bool listItem = false;
};

// The boxes of a document: which elements make blocks, which flow in lines, and what each
// line's content is after white space is processed. The layout sizes and places them; building
// them needs no fonts, so what goes where can be tested as text.
class BoxTree {
  public:
    // `styles` holds a computed style for every element of `tree`, indexed by node (the entries
    // of text nodes are not read).
    static BoxTree Build(const DocumentTree& tree, std::span<const ComputedStyle> styles);

    // The root's box; an inline block's box stands outside the tree of blocks, reached from its
    // item in a line.
    BoxIndex root() const { return boxes_.empty() ? kNoBox : 0; }
    std::size_t size() const { return boxes_.size(); }
    const Box& box(BoxIndex index) const { return boxes_[index]; }
    std::span<const InlineItem> items(BoxIndex index) const {
        const Box& b = boxes_[index];
        return std::span<const InlineItem>(items_.data() + b.firstItem, b.itemCount);
    }
    std::string_view TextOf(const InlineItem& item) const {
        return std::string_view(text_.data() + item.textOffset, item.textLength);
    }
    // The bytes of text the boxes hold, all told.
    std::size_t textSize() const { return text_.size(); }

  private:
    friend class BoxTreeBuilder;
    std::vector<Box> boxes_;
    std::vector<InlineItem> items_;
    std::string text_;
};

// Whether an element is drawn as a whole by something other than the text layout (a picture,
// an SVG drawing, a media bar): its children are never laid out as text.
bool IsReplacedElement(const DocumentTree& tree, NodeIndex element);

// The marker of a list item: "1.", "iv.", "c.", or a bullet; empty for `none`.
std::string ListMarkerText(CssListStyleType type, int ordinal);

}  // namespace quirelle
