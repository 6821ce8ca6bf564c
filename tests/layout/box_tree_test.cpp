#include "layout/box_tree.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quirelle {
namespace {

// Styles as a user-agent sheet would give them, for the few elements the cases use, so that the
// boxes can be built without a cascade: a class picks the white-space mode, and
// style="display:none" hides.
std::vector<ComputedStyle> StylesOf(const DocumentTree& tree) {
    std::vector<ComputedStyle> styles(tree.size());
    for (NodeIndex node = 0; node < tree.size(); ++node) {
        if (!tree.IsElement(node)) {
            continue;
        }
        ComputedStyle& style = styles[node];
        const std::string_view name = tree.LocalName(node);
        for (const char* block : {"html", "body", "p", "div", "h1", "ol", "ul", "blockquote"}) {
            if (name == block) {
                style.display = CssDisplay::Block;
            }
        }
        if (name == "li") {
            style.display = CssDisplay::ListItem;
        }
        if (name == "head" || tree.AttributeValue(node, "style") == "display:none") {
            style.display = CssDisplay::None;
        }
        const NodeIndex parent = tree.parent(node);
        if (parent != kNoNode) {
            style.whiteSpace = styles[parent].whiteSpace;
        }
        const std::string_view mode = tree.AttributeValue(node, "class");
        if (mode == "inline-block") {
            style.display = CssDisplay::InlineBlock;
        }
        if (mode == "pre") {
            style.whiteSpace = CssWhiteSpace::Pre;
        } else if (mode == "pre-line") {
            style.whiteSpace = CssWhiteSpace::PreLine;
        } else if (mode == "normal") {
            style.whiteSpace = CssWhiteSpace::Normal;
        }
    }
    return styles;
}

// The boxes as one line: a block as "name{...}" ("anon" for an anonymous one), a replaced box as
// "[name]"; inline items as their text in quotes, "<i" and "i>" around inline elements, "|"
// for a forced break and "[img]" for an inline picture; list items show their number.
std::string Describe(const BoxTree& boxes, const DocumentTree& tree, BoxIndex index) {
    const Box& box = boxes.box(index);
    const std::string name = box.node == kNoNode ? "anon" : std::string(tree.LocalName(box.node));
    if (box.kind == BoxKind::Replaced) {
        return "[" + name + "]";
    }
    std::string out = name;
    if (box.listItem) {
        out += "#" + std::to_string(box.ordinal);
    }
    out += "{";
    for (const InlineItem& item : boxes.items(index)) {
        switch (item.kind) {
            case InlineItem::Kind::Text:
                out += "'" + std::string(boxes.TextOf(item)) + "'";
                break;
            case InlineItem::Kind::OpenInline:
                out += "<" + std::string(tree.LocalName(item.node));
                break;
            case InlineItem::Kind::CloseInline:
                out += std::string(tree.LocalName(item.node)) + ">";
                break;
            case InlineItem::Kind::Replaced:
                out += "[" + std::string(tree.LocalName(item.node)) + "]";
                break;
            case InlineItem::Kind::ForcedBreak:
                out += "|";
                break;
            case InlineItem::Kind::InlineBlock:
                out += "[" + Describe(boxes, tree, item.box) + "]";
                break;
        }
    }
    for (BoxIndex child = box.firstChild; child != kNoBox; child = boxes.box(child).nextSibling) {
        out += Describe(boxes, tree, child);
    }
    return out + "}";
}

std::string BoxesOf(const std::string& body) {
    const DocumentTree tree =
        DocumentTree::Parse("<html><head><title>t</title></head><body>" + body + "</body></html>");
    const std::vector<ComputedStyle> styles = StylesOf(tree);
    const BoxTree boxes = BoxTree::Build(tree, styles);
    if (boxes.root() == kNoBox) {
        return "";
    }
    // Only the body's boxes, which is where the cases differ.
    const BoxIndex bodyBox = boxes.box(boxes.root()).firstChild;
    return bodyBox == kNoBox ? "" : Describe(boxes, tree, bodyBox);
}

TEST(BoxTree, ProcessesWhiteSpaceAsCssSays) {
    struct Case {
        const char* name;
        const char* body;
        const char* boxes;
    };
    const std::vector<Case> cases = {
        {"source line ends and indents collapse to one space",
         "<p>\n    one\n    two   three\n</p>", "body{p{'one two three'}}"},
        {"one space between inline elements stays", "<p><b>Flopsy,</b> <i>Mopsy</i></p>",
         "body{p{<b'Flopsy,'b>' '<i'Mopsy'i>}}"},
        {"a space collapses across an element's edge", "<p>a <b> b</b></p>",
         "body{p{'a '<b'b'b>}}"},
        {"the last space of a block goes", "<p>end <b>here </b> </p>", "body{p{'end '<b'here'b>}}"},
        {"pre keeps spaces and line ends", "<p class='pre'>a  b\n c</p>", "body{p{'a  b'|' c'}}"},
        {"pre-line keeps line ends only", "<p class='pre-line'>a   b \n  c</p>",
         "body{p{'a b'|'c'}}"},
        {"br breaks and the space after it goes", "<p>one<br/> two</p>", "body{p{'one'|'two'}}"},
        {"no-break spaces are not white space", "<p>a\xC2\xA0\xC2\xA0 b</p>",
         "body{p{'a\xC2\xA0\xC2\xA0 b'}}"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BoxesOf(c.body), c.boxes) << c.name;
    }
}

TEST(BoxTree, StacksBlocksAndWrapsInlineRunsBesideThem) {
    struct Case {
        const char* name;
        const char* body;
        const char* boxes;
    };
    const std::vector<Case> cases = {
        {"white space between blocks makes no box", "<p>a</p>\n  <p>b</p>", "body{p{'a'}p{'b'}}"},
        {"text beside a block gets an anonymous block", "loose <p>inside</p> after",
         "body{anon{'loose'}p{'inside'}anon{'after'}}"},
        {"a block inside an inline splits it", "<p><b>bold <div>block</div> still</b></p>",
         "body{p{anon{<b'bold'b>}div{'block'}anon{<b'still'b>}}}"},
        {"display none hides the subtree", "<p>a<span style='display:none'>hidden</span>b</p>",
         "body{p{'a''b'}}"},
        {"an inline picture stays in the line", "<p>see <img src='a.png'/> here</p>",
         "body{p{'see '[img]' here'}}"},
        {"a picture made a block stands alone", "<div><svg><text>drawn</text></svg></div>",
         "body{div{[svg]}}"},
        {"nothing inside body", "", "body{}"},
        {"an inline block is one piece of its line, with blocks of its own",
         "<p>before <span class='inline-block'>in <div>side</div></span> after</p>",
         "body{p{'before '[span{anon{'in'}div{'side'}}]' after'}}"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BoxesOf(c.body), c.boxes) << c.name;
    }
}

TEST(BoxTree, NumbersEachListOnItsOwn) {
    struct Case {
        const char* name;
        const char* body;
        const char* boxes;
    };
    const std::vector<Case> cases = {
        {"from one", "<ol><li>a</li><li>b</li></ol>", "body{ol{li#1{'a'}li#2{'b'}}}"},
        {"a second list starts again", "<ol><li>a</li></ol><ol><li>b</li></ol>",
         "body{ol{li#1{'a'}}ol{li#1{'b'}}}"},
        {"start and value", "<ol start='20'><li>a</li><li value='5'>b</li><li>c</li></ol>",
         "body{ol{li#20{'a'}li#5{'b'}li#6{'c'}}}"},
        {"reversed counts down from the number of items",
         "<ol reversed=''><li>a</li><li>b</li><li>c</li></ol>",
         "body{ol{li#3{'a'}li#2{'b'}li#1{'c'}}}"},
        {"a nested list does not disturb its parent's count",
         "<ol><li>a<ol><li>x</li><li>y</li></ol></li><li>b</li></ol>",
         "body{ol{li#1{anon{'a'}ol{li#1{'x'}li#2{'y'}}}li#2{'b'}}}"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BoxesOf(c.body), c.boxes) << c.name;
    }
}

TEST(BoxTree, WritesListMarkers) {
    struct Case {
        CssListStyleType type;
        int ordinal;
        const char* marker;
    };
    const std::vector<Case> cases = {
        {CssListStyleType::Decimal, 3, "3."},
        {CssListStyleType::Decimal, -2, "-2."},
        {CssListStyleType::DecimalLeadingZero, 7, "07."},
        {CssListStyleType::DecimalLeadingZero, 12, "12."},
        {CssListStyleType::LowerAlpha, 1, "a."},
        {CssListStyleType::LowerAlpha, 27, "aa."},
        {CssListStyleType::UpperAlpha, 52, "AZ."},
        {CssListStyleType::LowerRoman, 4, "iv."},
        {CssListStyleType::UpperRoman, 1994, "MCMXCIV."},
        {CssListStyleType::UpperRoman, 0, "0."},
        {CssListStyleType::UpperRoman, 4000, "4000."},
        {CssListStyleType::LowerGreek, 2, "\u03B2."},
        {CssListStyleType::Disc, 1, "\u2022"},
        {CssListStyleType::None, 1, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ListMarkerText(c.type, c.ordinal), c.marker)
            << static_cast<int>(c.type) << " " << c.ordinal;
    }
}

}  // namespace
}  // namespace quirelle
