#include "style/selector.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/document_tree.hpp"

namespace quirelle {
namespace {

// Every element that a test names carries an id; the others (head, the p's text) are there to
// be skipped over.
constexpr std::string_view kFixture = R"(<?xml version="1.0" encoding="utf-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops"
      xml:lang="en-GB" id="root">
<head><title id="htitle">t</title></head>
<body id="body">
<section id="poem" epub:type="z3998:poem chapter" class="verse main">
<h2 id="h2">Title</h2>
<p id="p1" class="first Lead">One <a id="link" href="#n1">1</a><a id="anchor">x</a></p>
<p id="p2" lang="fr">Deux <span id="span" xml:lang="de-AT">drei</span></p>
<p id="p3" data-x="alpha-beta gamma" title="Hello World"></p>
<div id="empty"></div>
<div id="blank"> </div>
</section>
<svg xmlns="http://www.w3.org/2000/svg" id="svg"><title id="stitle">s</title></svg>
</body>
</html>)";

const DocumentTree& Fixture() {
    static const DocumentTree tree = DocumentTree::Parse(kFixture);
    return tree;
}

CssNamespaces BookNamespaces() {
    CssNamespaces namespaces;
    namespaces.Declare("epub", std::string(kOpsNamespace));
    namespaces.Declare("xml", std::string(kXmlNamespace));
    namespaces.Declare("svg", std::string(kSvgNamespace));
    namespaces.Declare("h", std::string(kXhtmlNamespace));
    return namespaces;
}

// The ids of the fixture's elements that the selector list matches, in document order.
std::string MatchedIds(std::string_view text, const CssNamespaces& namespaces) {
    const auto list = ParseSelectorList(text, namespaces);
    if (!list) {
        return "(invalid)";
    }
    const DocumentTree& tree = Fixture();
    std::string ids;
    for (NodeIndex node = 0; node < tree.size(); ++node) {
        if (!tree.IsElement(node)) {
            continue;
        }
        const std::string_view id = tree.AttributeValue(node, "id");
        if (id.empty()) {
            continue;
        }
        for (const Selector& selector : *list) {
            if (MatchesSelector(selector, tree, node)) {
                ids += (ids.empty() ? "" : " ") + std::string(id);
                break;
            }
        }
    }
    return ids;
}

struct MatchCase {
    std::string selector;
    std::string ids;
};

void ExpectMatches(const std::vector<MatchCase>& cases,
                   const CssNamespaces& namespaces = BookNamespaces()) {
    ASSERT_TRUE(Fixture().wellFormed()) << Fixture().error();
    for (const MatchCase& c : cases) {
        EXPECT_EQ(MatchedIds(c.selector, namespaces), c.ids) << "selector: " << c.selector;
    }
}

TEST(SelectorTest, TypeUniversalIdAndClass) {
    ExpectMatches({
        {"p", "p1 p2 p3"},
        {"P", ""},  // XHTML names are case-sensitive
        {"div, h2", "h2 empty blank"},
        {"*", "root htitle body poem h2 p1 link anchor p2 span p3 empty blank svg stitle"},
        {"#p2", "p2"},
        {"p#p2", "p2"},
        {"div#p2", ""},
        {".first", "p1"},
        {".first.Lead", "p1"},
        {".lead", ""},
        {".verse.main.other", ""},
        {"section.main", "poem"},
    });
}

TEST(SelectorTest, Attributes) {
    ExpectMatches({
        {"[href]", "link"},
        {"a[href='#n1']", "link"},
        {"[lang=fr]", "p2"},
        {"[lang=FR]", ""},
        {"[lang=FR i]", "p2"},
        {"[lang=\"fr\" s]", "p2"},
        {"[data-x~=gamma]", "p3"},
        {"[data-x~=alpha]", ""},
        {"[data-x~='']", ""},
        {"[data-x|=alpha]", "p3"},
        {"[lang|=fr]", "p2"},
        {"[title^=Hello]", "p3"},
        {"[title^='']", ""},
        {"[title$=World]", "p3"},
        {"[title$=world i]", "p3"},
        {"[title*='o W']", "p3"},
        {"[title*=xyz]", ""},
        {"[epub|type~='z3998:poem']", "poem"},
        {"[epub|type~=chapter]", "poem"},
        {"[type~='z3998:poem']", ""},  // no prefix: no namespace
        {"[*|type~=chapter]", "poem"},
        {"[|title]", "p3"},
        {"[xml|lang]", "root span"},
        {"[xml|lang|=de]", "span"},
    });
}

TEST(SelectorTest, Namespaces) {
    ExpectMatches({
        {"title", "htitle stitle"},
        {"svg|title", "stitle"},
        {"h|title", "htitle"},
        {"*|title", "htitle stitle"},
        {"|title", ""},
        {"svg|*", "svg stitle"},
    });
    CssNamespaces xhtmlDefault = BookNamespaces();
    xhtmlDefault.defaultUri = std::string(kXhtmlNamespace);
    ExpectMatches(
        {
            {"title", "htitle"},
            {"*|title", "htitle stitle"},
            {"svg *", ""},  // the default namespace applies to "svg" too
            {"svg|svg *|*", "stitle"},
        },
        xhtmlDefault);
}

TEST(SelectorTest, Combinators) {
    ExpectMatches({
        {"section > h2", "h2"},
        {"body > h2", ""},
        {"body h2", "h2"},
        {"html body section p a", "link anchor"},
        {"p>a", "link anchor"},
        {"h2 + p", "p1"},
        {"h2 ~ p", "p1 p2 p3"},
        {"h2 ~ div", "empty blank"},
        {"p + p + p", "p3"},
        {"a + a", "anchor"},
        {"section > p a + a", "anchor"},
        {"div ~ p", ""},
        {"[epub|type~='z3998:poem'] p > span", "span"},
        {"p span + *", ""},
    });
}

TEST(SelectorTest, StructuralPseudoClasses) {
    ExpectMatches({
        {"h2:first-child", "h2"},
        {"p:first-child", ""},
        {"section > :last-child", "blank"},
        {"p > :only-child", "span"},
        {"p:first-of-type", "p1"},
        {"p:last-of-type", "p3"},
        {"h2:only-of-type", "h2"},
        {"div:only-of-type", ""},
        {"p:nth-child(2)", "p1"},
        {"p:nth-child(odd)", "p2"},
        {"p:nth-child(EVEN)", "p1 p3"},
        {"section > :nth-child(-n+2)", "h2 p1"},
        {"section > :nth-child(n+5)", "empty blank"},
        {"section > :nth-child( 2n + 1 )", "h2 p2 empty"},
        {"section > :nth-child(+3)", "p2"},
        {"section > :nth-child(0n+0)", ""},
        {"p:nth-of-type(2n+1)", "p1 p3"},
        {"p:nth-last-child(3)", "p3"},
        {"p:nth-last-of-type(1)", "p3"},
        {":root", "root"},
        {"section :empty", "p3 empty"},
        {":link", "link"},
        {"a:hover, a:visited, a:focus", ""},
    });
}

TEST(SelectorTest, NegationAndLanguage) {
    ExpectMatches({
        {"section > :not(p)", "h2 empty blank"},
        {"section > :not(p, div)", "h2"},
        {"p:not(.first)", "p2 p3"},
        {"p:not(#p2):not([title])", "p1"},
        {"p:not(p.first)", "p2 p3"},
        {"p:lang(fr)", "p2"},
        {":lang(de)", "span"},
        {"span:lang(DE-at)", "span"},
        {"span:lang(d)", ""},
        {"p:lang(en)", "p1 p3"},
        {"p:lang('en-GB')", "p1 p3"},
    });
}

TEST(SelectorTest, PseudoElementsMarkTheSelectorAndMatchTheirElement) {
    struct Case {
        std::string text;
        PseudoElement pseudo;
    };
    const std::vector<Case> cases = {
        {"p::before", PseudoElement::Before},
        {"p:after", PseudoElement::After},
        {"p::first-letter", PseudoElement::FirstLetter},
        {"p:first-line", PseudoElement::FirstLine},
        {"p::after:hover", PseudoElement::After},
        {"p", PseudoElement::None},
    };
    for (const Case& c : cases) {
        const auto list = ParseSelectorList(c.text);
        ASSERT_TRUE(list) << c.text;
        EXPECT_EQ(list->front().pseudoElement, c.pseudo) << c.text;
    }
    EXPECT_EQ(MatchedIds("p::before", {}), "p1 p2 p3");
}

TEST(SelectorTest, EscapesResolveInNames) {
    struct Case {
        std::string text;
        std::string name;
    };
    const std::vector<Case> cases = {
        {".caf\\e9", "caf\xC3\xA9"},
        {".caf\\E9 x", "caf\xC3\xA9x"},  // one white space ends a hexadecimal escape
        {".\\31 23", "123"},
        {"#a\\:b", "a:b"},
        {".a\\\xC3\xA9", "a\xC3\xA9"},
        {".\\0", "\xEF\xBF\xBD"},
        {".\\110000", "\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        const auto list = ParseSelectorList(c.text);
        ASSERT_TRUE(list) << c.text;
        EXPECT_EQ(list->front().compounds.front().simples.front().name, c.name) << c.text;
    }
}

TEST(SelectorTest, UnreadableSelectorsMakeTheListInvalid) {
    const std::vector<std::string> invalid = {
        "",
        "   ",
        "p,",
        ",p",
        "p,,h1",
        "p >",
        "> p",
        "p > > a",
        "p..a",
        ".",
        "#1a",
        "[",
        "[]",
        "[a=]",
        "[a=b c]",
        "[a=b x]",
        "[a~~=b]",
        "[1=b]",
        "ns|p",
        "[ns|a]",
        "p:unknown",
        "p:has(a)",
        "p::marker",
        "p::before span",
        "p::before.a",
        ":not(:not(p))",
        ":not()",
        ":not(p a)",
        "p:nth-child(foo)",
        "p:nth-child(2n+)",
        "p:nth-child(n of p)",
        "p:nth-child(9999999999)",
        ":lang()",
        "p{",
        "a!b",
        "p:first-child(",
        "p::before()",
        "h1 (p)",
    };
    for (const std::string& text : invalid) {
        EXPECT_FALSE(ParseSelectorList(text, BookNamespaces()).has_value()) << text;
    }
}

TEST(SelectorTest, SpecificityCountsIdsClassesAndTypes) {
    struct Case {
        std::string text;
        Specificity expected;
    };
    const std::vector<Case> cases = {
        {"*", MakeSpecificity(0, 0, 0)},
        {"*|*", MakeSpecificity(0, 0, 0)},
        {"p", MakeSpecificity(0, 0, 1)},
        {"p.a", MakeSpecificity(0, 1, 1)},
        {"#x p.a[b]:first-child", MakeSpecificity(1, 3, 1)},
        {"p::before", MakeSpecificity(0, 0, 2)},
        {"p:before", MakeSpecificity(0, 0, 2)},
        {"a:hover", MakeSpecificity(0, 1, 1)},
        {":not(#a, .b) p", MakeSpecificity(1, 0, 1)},
        {":not(p)", MakeSpecificity(0, 0, 1)},
        {"[epub|type~=x] > p + span", MakeSpecificity(0, 1, 2)},
        {"li:nth-child(2n+1):lang(en)", MakeSpecificity(0, 2, 1)},
    };
    for (const Case& c : cases) {
        const auto list = ParseSelectorList(c.text, BookNamespaces());
        ASSERT_TRUE(list) << c.text;
        EXPECT_EQ(list->front().specificity, c.expected) << c.text;
    }
    // Every selector of a list has its own.
    const auto list = ParseSelectorList("p, #a");
    ASSERT_TRUE(list);
    EXPECT_EQ((*list)[1].specificity, MakeSpecificity(1, 0, 0));
}

TEST(SelectorTest, HostileSelectorsAreRefusedWithoutDepth) {
    // Nested negations and parentheses far deeper than any stack frame budget.
    std::string deepNot;
    for (int i = 0; i < 50'000; ++i) {
        deepNot += ":not(";
    }
    EXPECT_FALSE(ParseSelectorList(deepNot).has_value());
    EXPECT_FALSE(ParseSelectorList(std::string(200'000, '(')).has_value());
    // A long chain of descendant combinators still matches in a walk up the tree.
    std::string chain;
    for (int i = 0; i < 60; ++i) {
        chain += "* ";
    }
    chain += "span";
    EXPECT_EQ(MatchedIds(chain, {}), "");
    EXPECT_EQ(MatchedIds("* * * * span", {}), "span");
}

}  // namespace
}  // namespace quirelle
