#include "style/presentational_hints.hpp"

#include <gtest/gtest.h>

#include <string>

#include "document/document_tree.hpp"
#include "style/css_sheet.hpp"
#include "style/rule_matching.hpp"

namespace quirelle {
namespace {

// The hints of the first element in the body, "property=value" in order.
std::string HintsOf(const std::string& element) {
    const DocumentTree tree = DocumentTree::Parse(
        "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body>" + element + "</body></html>");
    const NodeIndex body = tree.FindId("t");
    if (body == kNoNode) {
        return "(no element)";
    }
    std::string out;
    for (const CssDeclaration& d : PresentationalHints(tree, body)) {
        out += (out.empty() ? "" : " ") + d.property + "=" + d.value;
    }
    return out;
}

TEST(PresentationalHintsTest, OldAttributesBecomeDeclarations) {
    struct Case {
        const char* element;
        const char* hints;
    };
    const Case cases[] = {
        {R"(<font id="t" color="red" face="Georgia, serif" size="5">x</font>)",
         "color=red font-family=Georgia, serif font-size=x-large"},
        // Sizes as HTML maps them: steps from 3, and both ends held.
        {R"(<font id="t" size="1">x</font>)", "font-size=x-small"},
        {R"(<font id="t" size="+2">x</font>)", "font-size=x-large"},
        {R"(<font id="t" size="-1">x</font>)", "font-size=small"},
        {R"(<font id="t" size="99999999999">x</font>)", "font-size=xxx-large"},
        {R"(<font id="t" size="-9">x</font>)", "font-size=x-small"},
        {R"(<font id="t" size="big">x</font>)", ""},
        {R"(<p id="t" align="CENTER">x</p>)", "text-align=CENTER"},
        {R"(<h3 id="t" align="right">x</h3>)", "text-align=right"},
        {R"(<p id="t" align="middle">x</p>)", ""},
        // Only where HTML reads them.
        {R"(<span id="t" align="center" color="red">x</span>)", ""},
        {R"(<table id="t" bgcolor="#eee"><tr><td>x</td></tr></table>)", "background-color=#eee"},
        // A value never reaches past its own declaration.
        {R"(<font id="t" color="red; font-size: 90px" face="A}">x</font>)", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        EXPECT_EQ(HintsOf(c.element), c.hints);
    }
}

TEST(PresentationalHintsTest, TheyWeighLessThanAnyRuleOfTheBook) {
    const DocumentTree tree = DocumentTree::Parse(
        R"(<html xmlns="http://www.w3.org/1999/xhtml"><body>)"
        R"(<font id="f" color="green" style="font-size: 9px">x</font></body></html>)");
    RuleSet rules;
    rules.AddSheet(ParseCssSheet("font { color: ua; font-size: 1px }"), CascadeOrigin::UserAgent);
    rules.AddSheet(ParseCssSheet("font { color: author }"), CascadeOrigin::Author);
    RuleMatcher matcher(rules, tree);
    MatchedDeclarations matched;
    matcher.Match(tree.FindId("f"), matched);
    std::string order;
    for (const CssDeclaration* d : matched.ordered) {
        order += (order.empty() ? "" : " ") + d->property + "=" + d->value;
    }
    EXPECT_EQ(order, "color=ua font-size=1px color=green color=author font-size=9px");
}

}  // namespace
}  // namespace quirelle
