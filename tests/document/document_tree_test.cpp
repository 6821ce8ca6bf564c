#include "document/document_tree.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quirelle {
namespace {

// The tree written back as text: elements as "name(children)", text nodes quoted, so that one
// line shows the whole shape a parse gave.
std::string Shape(const DocumentTree& tree, NodeIndex node) {
    if (tree.kind(node) == NodeKind::Text) {
        return "'" + std::string(tree.TextOf(node)) + "'";
    }
    std::string out(tree.Text(tree.name(node).written));
    if (tree.firstChild(node) != kNoNode) {
        out += "(";
        for (NodeIndex child = tree.firstChild(node); child != kNoNode;
             child = tree.nextSibling(child)) {
            if (child != tree.firstChild(node)) {
                out += " ";
            }
            out += Shape(tree, child);
        }
        out += ")";
    }
    return out;
}

std::string Shape(const DocumentTree& tree) {
    return tree.root() == kNoNode ? "" : Shape(tree, tree.root());
}

TEST(DocumentTree, KeepsElementsAndTextInOrder) {
    struct Case {
        const char* name;
        const char* xhtml;
        const char* shape;
    };
    const std::vector<Case> cases = {
        {"nested inline text", "<p>ab<i>cd</i>ef</p>", "p('ab' i('cd') 'ef')"},
        {"white space kept as written", "<p>\n  a  b\n</p>", "p('\n  a  b\n')"},
        {"entities joined into one text node", "<p>a&amp;b&#x41;c</p>", "p('a&bAc')"},
        {"space between inline elements", "<p><b>x</b> <i>y</i></p>", "p(b('x') ' ' i('y'))"},
        {"empty elements", "<body><br/><hr></hr></body>", "body(br hr)"},
        {"CDATA is text", "<p><![CDATA[<a>]]></p>", "p('<a>')"},
        {"comments and instructions leave nothing", "<p>a<!-- c --><?pi x?>b</p>", "p('ab')"},
        {"no document element", "", ""},
    };
    for (const Case& c : cases) {
        const DocumentTree tree = DocumentTree::Parse(c.xhtml);
        EXPECT_EQ(Shape(tree), c.shape) << c.name;
    }
}

TEST(DocumentTree, LinksParentsSiblingsAndElementSiblings) {
    const DocumentTree tree = DocumentTree::Parse("<ol> <li>1</li> text <li>2</li> </ol>");
    const NodeIndex ol = tree.root();
    const NodeIndex first = tree.NextElementSibling(tree.firstChild(ol));
    ASSERT_NE(first, kNoNode);
    EXPECT_EQ(tree.LocalName(first), "li");
    EXPECT_EQ(tree.parent(first), ol);
    const NodeIndex second = tree.NextElementSibling(first);
    ASSERT_NE(second, kNoNode);
    EXPECT_EQ(tree.TextOf(tree.firstChild(second)), "2");
    EXPECT_EQ(tree.PreviousElementSibling(second), first);
    EXPECT_EQ(tree.PreviousElementSibling(first), kNoNode);
    EXPECT_EQ(tree.NextElementSibling(second), kNoNode);
    EXPECT_EQ(tree.previousSibling(tree.firstChild(ol)), kNoNode);
    EXPECT_EQ(tree.nextSibling(tree.lastChild(ol)), kNoNode);
    EXPECT_EQ(tree.parent(ol), kNoNode);
}

TEST(DocumentTree, ResolvesNamespacesWhateverThePrefix) {
    const DocumentTree tree = DocumentTree::Parse(
        "<html xmlns='http://www.w3.org/1999/xhtml' xmlns:ops='http://www.idpf.org/2007/ops'>"
        "<body ops:type='chapter' xml:lang='fr' class='a'>"
        "<svg xmlns='http://www.w3.org/2000/svg' xmlns:l='http://www.w3.org/1999/xlink'>"
        "<image l:href='x.png'/></svg>"
        "<p epub:type='noteref'>undeclared</p></body></html>");
    ASSERT_TRUE(tree.wellFormed()) << tree.error();
    const NodeIndex body = tree.firstChild(tree.root());
    EXPECT_TRUE(tree.IsHtml(body));
    EXPECT_EQ(tree.AttributeNS(body, kOpsNamespace, "type"), "chapter");
    EXPECT_EQ(tree.AttributeNS(body, kXmlNamespace, "lang"), "fr");
    EXPECT_EQ(tree.Attribute(body, "ops:type"), "chapter");
    EXPECT_EQ(tree.Attribute(body, "class"), "a");
    EXPECT_EQ(tree.Attribute(body, "id"), std::nullopt);

    const NodeIndex svg = tree.firstChild(body);
    EXPECT_FALSE(tree.IsHtml(svg));
    EXPECT_EQ(tree.Text(tree.name(svg).namespaceUri), kSvgNamespace);
    const NodeIndex image = tree.firstChild(svg);
    EXPECT_EQ(tree.AttributeNS(image, kXlinkNamespace, "href"), "x.png");

    // A prefix the book never declared keeps the name as written and no namespace.
    const NodeIndex p = tree.nextSibling(svg);
    EXPECT_EQ(tree.Attribute(p, "epub:type"), "noteref");
    EXPECT_EQ(tree.AttributeNS(p, kOpsNamespace, "type"), std::nullopt);
}

TEST(DocumentTree, InternsNamesSoEqualNamesCompareAsIds) {
    const DocumentTree tree = DocumentTree::Parse("<div><p class='x'/><p class='y'/></div>");
    const NodeIndex first = tree.firstChild(tree.root());
    const NodeIndex second = tree.nextSibling(first);
    EXPECT_EQ(tree.name(first).local, tree.name(second).local);
    EXPECT_EQ(tree.Find("p"), tree.name(first).local);
    EXPECT_EQ(tree.Find("span"), DocumentTree::kNoName);
    EXPECT_EQ(tree.Find(""), kEmptyName);
}

TEST(DocumentTree, FindsTheFirstElementOfAnId) {
    const DocumentTree tree = DocumentTree::Parse(
        "<body><p id='a'>1</p><p id='b'>2</p><p id='a'>3</p><a name='old'/><span name='no'/>"
        "<p xml:id='x'/></body>");
    const NodeIndex body = tree.root();
    const NodeIndex first = tree.firstChild(body);
    EXPECT_EQ(tree.FindId("a"), first);
    EXPECT_EQ(tree.FindId("b"), tree.nextSibling(first));
    EXPECT_EQ(tree.LocalName(tree.FindId("old")), "a");
    EXPECT_EQ(tree.FindId("no"), kNoNode);
    EXPECT_EQ(tree.LocalName(tree.FindId("x")), "p");
    EXPECT_EQ(tree.FindId("missing"), kNoNode);
    EXPECT_EQ(tree.FindId(""), kNoNode);
}

TEST(DocumentTree, KeepsWhatCameBeforeAnError) {
    const DocumentTree tree = DocumentTree::Parse("<body>\n<p>one</p>\n<p>two<b>bold</p></body>");
    EXPECT_FALSE(tree.wellFormed());
    EXPECT_NE(tree.error().find("line 3"), std::string::npos) << tree.error();
    EXPECT_EQ(Shape(tree), "body('\n' p('one') '\n' p('two' b('bold')))");
}

TEST(DocumentTree, BoundsTheDepthOfHostileNesting) {
    const std::size_t depth = DocumentTree::kMaxDepth + 100;
    std::string xhtml;
    for (std::size_t i = 0; i < depth; ++i) {
        xhtml += "<div>";
    }
    xhtml += "deep";
    for (std::size_t i = 0; i < depth; ++i) {
        xhtml += "</div>";
    }
    xhtml += "";
    const DocumentTree tree = DocumentTree::Parse("<body>" + xhtml + "<p>after</p></body>");
    ASSERT_TRUE(tree.wellFormed());
    std::size_t levels = 0;
    NodeIndex node = tree.root();
    while (tree.firstChild(node) != kNoNode && tree.IsElement(tree.firstChild(node))) {
        node = tree.firstChild(node);
        ++levels;
    }
    EXPECT_EQ(levels, DocumentTree::kMaxDepth - 1);
    // The text of the elements left out goes to the deepest one kept, and what follows the
    // nesting is in its place.
    EXPECT_EQ(tree.TextOf(tree.firstChild(node)), "deep");
    EXPECT_EQ(tree.LocalName(tree.lastChild(tree.root())), "p");
}

TEST(DocumentTree, SurvivesAMove) {
    DocumentTree moved = DocumentTree::Parse("<p id='i'>t</p>");
    const DocumentTree tree = std::move(moved);
    EXPECT_EQ(tree.FindId("i"), tree.root());
    EXPECT_EQ(tree.TextOf(tree.firstChild(tree.root())), "t");
    EXPECT_EQ(tree.LocalName(tree.root()), "p");
}

}  // namespace
}  // namespace quirelle
