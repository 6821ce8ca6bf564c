#include "style/rule_matching.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/document_tree.hpp"
#include "style/css_sheet.hpp"

namespace quirelle {
namespace {

constexpr std::string_view kFixture = R"(<html xmlns="http://www.w3.org/1999/xhtml"
      xmlns:epub="http://www.idpf.org/2007/ops">
<body id="body">
<section id="s" epub:type="chapter">
<p id="x" class="a a b" style="color: inline; margin: inline-m !important">One</p>
<p id="y">Two</p>
<div id="d" class="b"><span id="in">z</span></div>
</section>
</body>
</html>)";

const DocumentTree& Fixture() {
    static const DocumentTree tree = DocumentTree::Parse(kFixture);
    return tree;
}

RuleSet MakeRules(std::string_view userAgent, std::string_view author) {
    RuleSet rules;
    rules.AddSheet(ParseCssSheet(userAgent), CascadeOrigin::UserAgent);
    rules.AddSheet(ParseCssSheet(author), CascadeOrigin::Author);
    return rules;
}

// The matched declarations of the element with this id, "property=value" in order.
std::string Cascade(const RuleSet& rules, std::string_view id,
                    PseudoElement pseudo = PseudoElement::None) {
    const DocumentTree& tree = Fixture();
    const NodeIndex element = tree.FindId(id);
    if (element == kNoNode) {
        return "(no element)";
    }
    RuleMatcher matcher(rules, tree);
    MatchedDeclarations matched;
    matcher.Match(element, matched, pseudo);
    std::string out;
    for (const CssDeclaration* d : matched.ordered) {
        out += (out.empty() ? "" : " ") + d->property + "=" + d->value;
    }
    return out;
}

TEST(RuleMatchingTest, CascadeOrderByOriginImportanceSpecificityAndOrder) {
    ASSERT_TRUE(Fixture().wellFormed()) << Fixture().error();
    const RuleSet rules = MakeRules("p { color: ua; margin: ua-m !important; padding: ua-p }",
                                    "#x { color: id }\n"
                                    ".a { color: class }\n"
                                    "p { color: type }\n"
                                    "p { color: type2 }\n"
                                    ".a { margin: author-m !important }\n"
                                    "body p { color: two-types }\n");
    EXPECT_EQ(Cascade(rules, "x"),
              "color=ua padding=ua-p color=type color=type2 color=two-types color=class "
              "color=id color=inline margin=author-m margin=inline-m margin=ua-m");
    EXPECT_EQ(Cascade(rules, "y"),
              "color=ua padding=ua-p color=type color=type2 color=two-types margin=ua-m");
}

TEST(RuleMatchingTest, ARuleMatchedTwiceCountsOnceWithItsMostSpecificSelector) {
    const RuleSet rules = MakeRules("", "p, #x { color: both }\n.a { color: class }\n");
    EXPECT_EQ(Cascade(rules, "x"), "color=class color=both color=inline margin=inline-m");
    EXPECT_EQ(Cascade(rules, "y"), "color=both");
}

TEST(RuleMatchingTest, EveryBucketFindsItsRules) {
    struct Case {
        std::string sheet;
        std::string id;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"#in { a: id }", "in", "a=id"},
        {"span#in { a: id }", "in", "a=id"},
        {"#in.b { a: id }", "in", ""},
        {".b span { a: class-ancestor }", "in", "a=class-ancestor"},
        {"div.b > span { a: child }", "in", "a=child"},
        {"*.b { a: class }", "d", "a=class"},
        {"[epub|type] p { a: attr }", "y", ""},  // "epub" is not declared in this sheet
        {"@namespace epub \"http://www.idpf.org/2007/ops\"; [epub|type] p { a: attr }", "y",
         "a=attr"},
        {"[id] { a: universal }", "in", "a=universal"},
        {"* { a: star }", "in", "a=star"},
        {"section :not(p) { a: not }", "in", "a=not"},
        {"p + p { a: sibling }", "y", "a=sibling"},
        {"p ~ div span { a: sibling-ancestor }", "in", "a=sibling-ancestor"},
        {"p { a: other }", "in", ""},
        {".missing, #missing, missing { a: none }", "in", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Cascade(MakeRules("", c.sheet), c.id), c.expected) << c.sheet;
    }
}

// The matcher keeps what it knows of the ancestors from call to call: asked in any order, it
// must answer as a fresh matcher does.
TEST(RuleMatchingTest, OneMatcherAnswersInAnyOrder) {
    const RuleSet rules = MakeRules(
        "", "section .b span, body > section p + p, #s [id], .a ~ *, html p.b { a: hit }");
    const DocumentTree& tree = Fixture();
    RuleMatcher shared(rules, tree);
    MatchedDeclarations matched;
    for (const bool reverse : {true, false}) {
        for (std::size_t i = 0; i < tree.size(); ++i) {
            const auto node = static_cast<NodeIndex>(reverse ? tree.size() - 1 - i : i);
            shared.Match(node, matched);
            const MatchedDeclarations fresh = MatchRules(rules, tree, node);
            EXPECT_EQ(matched.ordered.size(), fresh.ordered.size()) << "node " << node;
        }
    }
    EXPECT_EQ(Cascade(rules, "in"), "a=hit");
    EXPECT_EQ(Cascade(rules, "y"), "a=hit");
    EXPECT_EQ(Cascade(rules, "x"), "a=hit color=inline margin=inline-m");
}

TEST(RuleMatchingTest, PseudoElementRulesApplyOnlyToTheirPseudoElement) {
    const RuleSet rules = MakeRules("", "p::before { content: 'b' } p::after, p { color: c }");
    EXPECT_EQ(Cascade(rules, "y"), "color=c");
    EXPECT_EQ(Cascade(rules, "y", PseudoElement::Before), "content='b'");
    EXPECT_EQ(Cascade(rules, "y", PseudoElement::After), "color=c");
    EXPECT_EQ(Cascade(rules, "y", PseudoElement::FirstLine), "");
}

TEST(RuleMatchingTest, TextNodesAndBadIndexesMatchNothing) {
    const RuleSet rules = MakeRules("* { a: b }", "");
    const DocumentTree& tree = Fixture();
    const NodeIndex text = tree.firstChild(tree.FindId("y"));
    ASSERT_NE(text, kNoNode);
    EXPECT_TRUE(MatchRules(rules, tree, text).ordered.empty());
    EXPECT_TRUE(MatchRules(rules, tree, static_cast<NodeIndex>(tree.size())).ordered.empty());
    EXPECT_TRUE(MatchRules(rules, tree, kNoNode).ordered.empty());
}

}  // namespace
}  // namespace quirelle
