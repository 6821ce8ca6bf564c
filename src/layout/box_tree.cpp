#include "layout/box_tree.hpp"

#include <charconv>
#include <limits>
#include <optional>
#include <string>

namespace quirelle {

namespace {

bool IsBlockLevel(CssDisplay display) {
    switch (display) {
        case CssDisplay::Inline:
        case CssDisplay::InlineBlock:
        case CssDisplay::Ruby:
        case CssDisplay::RubyText:
        case CssDisplay::None:
            return false;
        default:
            // Table parts stack as blocks until tables are laid out as grids.
            return true;
    }
}

bool IsCollapsible(CssWhiteSpace whiteSpace) {
    return whiteSpace == CssWhiteSpace::Normal || whiteSpace == CssWhiteSpace::Nowrap ||
           whiteSpace == CssWhiteSpace::PreLine;
}

bool KeepsLineEnds(CssWhiteSpace whiteSpace) {
    return whiteSpace == CssWhiteSpace::Pre || whiteSpace == CssWhiteSpace::PreWrap ||
           whiteSpace == CssWhiteSpace::PreLine;
}

// The HTML list elements, whose start, reversed and their items' value attributes number them.
bool IsHtmlList(const DocumentTree& tree, NodeIndex element) {
    if (!tree.IsHtml(element)) {
        return false;
    }
    const std::string_view name = tree.LocalName(element);
    return name == "ol" || name == "ul" || name == "menu" || name == "dir";
}

std::optional<int> IntegerAttribute(const DocumentTree& tree, NodeIndex element,
                                    std::string_view name) {
    const std::optional<std::string_view> text = tree.Attribute(element, name);
    if (!text) {
        return std::nullopt;
    }
    std::string_view digits = *text;
    while (!digits.empty() && digits.front() == ' ') {
        digits.remove_prefix(1);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end == digits.data()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

bool IsReplacedElement(const DocumentTree& tree, NodeIndex element) {
    const std::string_view name = tree.LocalName(element);
    // An inline SVG drawing is replaced whatever namespace (or undeclared prefix) it comes in.
    if (name == "svg") {
        return true;
    }
    if (!tree.IsHtml(element)) {
        return false;
    }
    return name == "img" || name == "video" || name == "audio" || name == "object" ||
           name == "embed" || name == "canvas" || name == "iframe";
}

class BoxTreeBuilder {
  public:
    BoxTreeBuilder(BoxTree& boxes, const DocumentTree& tree, std::span<const ComputedStyle> styles)
        : boxes_(boxes), tree_(tree), styles_(styles) {}

    void Build() {
        const NodeIndex root = tree_.root();
        if (root == kNoNode || styles_.size() < tree_.size() ||
            styles_[root].display == CssDisplay::None) {
            return;
        }
        const BoxIndex box = NewBox(BoxKind::Block, root, root, kNoBox);
        BuildBlock(box, root);
        // Inline blocks are built once the run that holds them is done, so that each block's
        // items stay together; one may hold more of them.
        for (std::size_t i = 0; i < inlineBlocks_.size(); ++i) {
            BuildBlock(inlineBlocks_[i].first, inlineBlocks_[i].second);
        }
    }

  private:
    // The content of one block container being gathered: its open anonymous run of inline
    // items, and the inline elements open around the point reached.
    struct Container {
        BoxIndex box = kNoBox;
        NodeIndex element = kNoNode;
        BoxIndex run = kNoBox;
        bool spaceBefore = true;  // a collapsible space here would collapse away
        std::vector<NodeIndex> openInlines;
        int counter = 1;
        int step = 1;
    };

    const ComputedStyle& StyleOf(NodeIndex element) const { return styles_[element]; }

    BoxIndex NewBox(BoxKind kind, NodeIndex node, NodeIndex styleNode, BoxIndex parent) {
        const auto index = static_cast<BoxIndex>(boxes_.boxes_.size());
        Box box;
        box.kind = kind;
        box.node = node;
        box.styleNode = styleNode;
        box.parent = parent;
        box.firstItem = static_cast<std::uint32_t>(boxes_.items_.size());
        if (parent != kNoBox) {
            Box& up = boxes_.boxes_[parent];
            if (up.lastChild != kNoBox) {
                boxes_.boxes_[up.lastChild].nextSibling = index;
            } else {
                up.firstChild = index;
            }
            up.lastChild = index;
        }
        boxes_.boxes_.push_back(box);
        return index;
    }

    void AddItem(Container& container, InlineItem item) {
        boxes_.items_.push_back(item);
        ++boxes_.boxes_[container.run].itemCount;
    }

    // Starts an anonymous run for inline content, going on with the inline elements that a
    // block split.
    void EnsureRun(Container& container) {
        if (container.run != kNoBox) {
            return;
        }
        container.run = NewBox(BoxKind::Block, kNoNode, container.element, container.box);
        container.spaceBefore = true;
        for (const NodeIndex open : container.openInlines) {
            AddItem(container, {InlineItem::Kind::OpenInline, open, 0, 0});
        }
    }

    // Ends the run: its last collapsible space goes, and a run left with nothing to show (the
    // white space between blocks) is dropped.
    void CloseRun(Container& container) {
        if (container.run == kNoBox) {
            return;
        }
        for (auto open = container.openInlines.rbegin(); open != container.openInlines.rend();
             ++open) {
            AddItem(container, {InlineItem::Kind::CloseInline, *open, 0, 0});
        }
        Box& run = boxes_.boxes_[container.run];
        bool shows = false;
        for (std::uint32_t i = run.itemCount; i-- > 0;) {
            InlineItem& item = boxes_.items_[run.firstItem + i];
            if (item.kind == InlineItem::Kind::Text && !shows && item.textLength > 0 &&
                IsCollapsible(StyleOf(tree_.parent(item.node)).whiteSpace) &&
                boxes_.text_[item.textOffset + item.textLength - 1] == ' ') {
                --item.textLength;
            }
            shows = shows || (item.kind == InlineItem::Kind::Text && item.textLength > 0) ||
                    item.kind == InlineItem::Kind::Replaced ||
                    item.kind == InlineItem::Kind::InlineBlock ||
                    item.kind == InlineItem::Kind::ForcedBreak;
        }
        if (!shows) {
            // Nothing was built after the run, so it is the last box and its items the last.
            boxes_.items_.resize(run.firstItem);
            Box& parent = boxes_.boxes_[container.box];
            if (parent.firstChild == container.run) {
                parent.firstChild = parent.lastChild = kNoBox;
            } else {
                BoxIndex previous = parent.firstChild;
                while (boxes_.boxes_[previous].nextSibling != container.run) {
                    previous = boxes_.boxes_[previous].nextSibling;
                }
                boxes_.boxes_[previous].nextSibling = kNoBox;
                parent.lastChild = previous;
            }
            boxes_.boxes_.pop_back();
        }
        container.run = kNoBox;
    }

    void AddText(Container& container, NodeIndex textNode, std::string_view text) {
        const CssWhiteSpace whiteSpace = StyleOf(tree_.parent(textNode)).whiteSpace;
        const bool collapse = IsCollapsible(whiteSpace);
        const bool keepLineEnds = KeepsLineEnds(whiteSpace);
        EnsureRun(container);
        auto start = static_cast<std::uint32_t>(boxes_.text_.size());
        const auto flush = [&] {
            const auto end = static_cast<std::uint32_t>(boxes_.text_.size());
            if (end > start) {
                AddItem(container, {InlineItem::Kind::Text, textNode, start, end - start});
            }
            start = end;
        };
        for (const char c : text) {
            if (c == '\n' && keepLineEnds) {
                // pre-line drops the spaces before a kept line end.
                if (collapse && boxes_.text_.size() > start && boxes_.text_.back() == ' ') {
                    boxes_.text_.pop_back();
                }
                flush();
                AddItem(container, {InlineItem::Kind::ForcedBreak, textNode, 0, 0});
                container.spaceBefore = collapse;
                continue;
            }
            if (collapse && (c == ' ' || c == '\t' || c == '\n')) {
                // FIXME: a line end between two East Asian characters should vanish, not
                // become a space.
                if (!container.spaceBefore) {
                    boxes_.text_ += ' ';
                    container.spaceBefore = true;
                }
                continue;
            }
            boxes_.text_ += c;
            container.spaceBefore = false;
        }
        flush();
    }

    // Visits a child of a block container, or of an inline element inside one.
    void Visit(Container& container, NodeIndex node) {
        if (!tree_.IsElement(node)) {
            AddText(container, node, tree_.TextOf(node));
            return;
        }
        const ComputedStyle& style = StyleOf(node);
        if (style.display == CssDisplay::None) {
            return;
        }
        const bool replaced = IsReplacedElement(tree_, node);
        if (IsBlockLevel(style.display)) {
            CloseRun(container);
            const BoxIndex box =
                NewBox(replaced ? BoxKind::Replaced : BoxKind::Block, node, node, container.box);
            if (style.display == CssDisplay::ListItem) {
                Box& item = boxes_.boxes_[box];
                item.listItem = true;
                if (const std::optional<int> value = IntegerAttribute(tree_, node, "value")) {
                    container.counter = *value;
                }
                item.ordinal = container.counter;
                // A list numbered past the range of int stays at its end, as browsers clamp
                // their counters, instead of wrapping round to the other sign.
                if (container.step > 0 ? container.counter < std::numeric_limits<int>::max()
                                       : container.counter > std::numeric_limits<int>::min()) {
                    container.counter += container.step;
                }
            }
            if (!replaced) {
                BuildBlock(box, node);
            }
            return;
        }
        EnsureRun(container);
        if (replaced) {
            AddItem(container, {InlineItem::Kind::Replaced, node, 0, 0});
            container.spaceBefore = false;
            return;
        }
        if (style.display == CssDisplay::InlineBlock) {
            const BoxIndex box = NewBox(BoxKind::Block, node, node, kNoBox);
            inlineBlocks_.emplace_back(box, node);
            AddItem(container, {InlineItem::Kind::InlineBlock, node, 0, 0, box});
            container.spaceBefore = false;
            return;
        }
        if (tree_.IsHtml(node) && tree_.LocalName(node) == "br") {
            AddItem(container, {InlineItem::Kind::ForcedBreak, node, 0, 0});
            container.spaceBefore = true;
            return;
        }
        AddItem(container, {InlineItem::Kind::OpenInline, node, 0, 0});
        container.openInlines.push_back(node);
        for (NodeIndex child = tree_.firstChild(node); child != kNoNode;
             child = tree_.nextSibling(child)) {
            Visit(container, child);
        }
        container.openInlines.pop_back();
        if (container.run != kNoBox) {
            AddItem(container, {InlineItem::Kind::CloseInline, node, 0, 0});
        }
    }

    void BuildBlock(BoxIndex box, NodeIndex element) {
        Container container;
        container.box = box;
        container.element = element;
        if (IsHtmlList(tree_, element)) {
            const bool reversed = tree_.Attribute(element, "reversed").has_value();
            container.step = reversed ? -1 : 1;
            if (const std::optional<int> start = IntegerAttribute(tree_, element, "start")) {
                container.counter = *start;
            } else if (reversed) {
                container.counter = CountListItems(element);
            }
        }
        for (NodeIndex child = tree_.firstChild(element); child != kNoNode;
             child = tree_.nextSibling(child)) {
            Visit(container, child);
        }
        CloseRun(container);
        // A block that holds only inline content holds it itself, without an anonymous box.
        Box& block = boxes_.boxes_[box];
        if (block.firstChild != kNoBox && block.firstChild == block.lastChild &&
            boxes_.boxes_[block.firstChild].node == kNoNode) {
            const BoxIndex runIndex = block.firstChild;
            const Box run = boxes_.boxes_[runIndex];
            block.firstItem = run.firstItem;
            block.itemCount = run.itemCount;
            block.firstChild = block.lastChild = kNoBox;
            // The run's box goes, unless inline blocks made after it stand behind it; then it
            // stays, unreachable.
            if (runIndex + 1 == boxes_.boxes_.size()) {
                boxes_.boxes_.pop_back();
            } else {
                boxes_.boxes_[runIndex].parent = kNoBox;
                boxes_.boxes_[runIndex].itemCount = 0;
            }
        }
    }

    int CountListItems(NodeIndex list) const {
        int count = 0;
        for (NodeIndex child = tree_.firstChild(list); child != kNoNode;
             child = tree_.nextSibling(child)) {
            count += tree_.IsElement(child) && StyleOf(child).display == CssDisplay::ListItem;
        }
        return count;
    }

    BoxTree& boxes_;
    const DocumentTree& tree_;
    std::span<const ComputedStyle> styles_;
    std::vector<std::pair<BoxIndex, NodeIndex>> inlineBlocks_;
};

BoxTree BoxTree::Build(const DocumentTree& tree, std::span<const ComputedStyle> styles) {
    BoxTree boxes;
    BoxTreeBuilder(boxes, tree, styles).Build();
    return boxes;
}

namespace {

std::string Roman(int value, bool upper) {
    static constexpr struct {
        int value;
        const char* lower;
        const char* upper;
    } kNumerals[] = {{1000, "m", "M"}, {900, "cm", "CM"}, {500, "d", "D"}, {400, "cd", "CD"},
                     {100, "c", "C"},  {90, "xc", "XC"},  {50, "l", "L"},  {40, "xl", "XL"},
                     {10, "x", "X"},   {9, "ix", "IX"},   {5, "v", "V"},   {4, "iv", "IV"},
                     {1, "i", "I"}};
    std::string out;
    for (const auto& numeral : kNumerals) {
        while (value >= numeral.value) {
            out += upper ? numeral.upper : numeral.lower;
            value -= numeral.value;
        }
    }
    return out;
}

// a..z, then aa, ab, ...: the alphabetic system of CSS counter styles.
std::string Alphabetic(int value, char first, int letters) {
    std::string out;
    while (value > 0) {
        --value;
        out.insert(out.begin(), static_cast<char>(first + value % letters));
        value /= letters;
    }
    return out;
}

std::string Greek(int value) {
    // α..ω without the final sigma, as the counter style lists them.
    static constexpr const char* kLetters[] = {"α", "β", "γ", "δ", "ε", "ζ", "η", "θ",
                                               "ι", "κ", "λ", "μ", "ν", "ξ", "ο", "π",
                                               "ρ", "σ", "τ", "υ", "φ", "χ", "ψ", "ω"};
    std::string out;
    while (value > 0) {
        --value;
        out.insert(0, kLetters[value % 24]);
        value /= 24;
    }
    return out;
}

}  // namespace

std::string ListMarkerText(CssListStyleType type, int ordinal) {
    // Alphabetic and Roman numbering have no zero or negatives, nor Roman past 3999: those
    // fall back to decimal, as the counter styles say.
    const bool positive = ordinal > 0;
    switch (type) {
        case CssListStyleType::None:
            return {};
        case CssListStyleType::Disc:
            return "\u2022";
        case CssListStyleType::Circle:
            return "\u25E6";
        case CssListStyleType::Square:
            return "\u25AA";
        case CssListStyleType::DecimalLeadingZero:
            if (ordinal >= 0 && ordinal < 10) {
                return "0" + std::to_string(ordinal) + ".";
            }
            break;
        case CssListStyleType::LowerAlpha:
        case CssListStyleType::UpperAlpha:
            if (positive) {
                const char first = type == CssListStyleType::LowerAlpha ? 'a' : 'A';
                return Alphabetic(ordinal, first, 26) + ".";
            }
            break;
        case CssListStyleType::LowerRoman:
        case CssListStyleType::UpperRoman:
            if (positive && ordinal < 4000) {
                return Roman(ordinal, type == CssListStyleType::UpperRoman) + ".";
            }
            break;
        case CssListStyleType::LowerGreek:
            if (positive) {
                return Greek(ordinal) + ".";
            }
            break;
        case CssListStyleType::Decimal:
            break;
    }
    return std::to_string(ordinal) + ".";
}

}  // namespace quirelle
