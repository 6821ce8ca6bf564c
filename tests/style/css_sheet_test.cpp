#include "style/css_sheet.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "style/css_declaration.hpp"

namespace quirelle {
namespace {

// Declarations written back one per item, "name=value" with "!" for important ones.
std::string Written(const std::vector<CssDeclaration>& declarations) {
    std::string out;
    for (const CssDeclaration& d : declarations) {
        out += (out.empty() ? "" : "; ") + d.property + "=" + d.value + (d.important ? "!" : "");
    }
    return out;
}

// Each rule of a sheet as "selector count{declarations}", so that a line shows what survived.
std::string Rules(const CssSheet& sheet) {
    std::string out;
    for (const CssStyleRule& rule : sheet.rules) {
        out += (out.empty() ? "" : " | ") + std::to_string(rule.selectors.size()) + "{" +
               Written(rule.declarations) + "}";
    }
    return out;
}

TEST(ParseDeclarationBlockTest, ReadsAndDropsDeclarationsOneByOne) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"color: red", "color=red"},
        {"COLOR : Red !IMPORTANT", "color=Red!"},
        {"margin:0 ! important;", "margin=0!"},
        {"font-family:  'A  B' ,\n serif", "font-family='A  B' , serif"},
        {"color: red /* a comment */ blue", "color=red blue"},
        {"border:1px/**/solid", "border=1px solid"},
        {"color:red;;;x;y:;z:1", "color=red; z=1"},
        {"a:b; @foo {x:y} c:d", "a=b; c=d"},
        {"{color:red} ; d:e", "d=e"},
        {"1px: red; e: f", "e=f"},
        {"a: b(c; d); e: f", "a=b(c; d); e=f"},
        {"color:red !important x", "color=red !important x"},
        {"--Custom: 1", "--Custom=1"},
        {"content: \"a;b\"; x: y", "content=\"a;b\"; x=y"},
        {"content: \"unterminated", "content=\"unterminated"},
        {"", ""},
        {"   ;  ", ""},
        {"color", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Written(ParseDeclarationBlock(c.text)), c.expected) << "text: " << c.text;
    }
}

TEST(CssSheetTest, RulesInSourceOrderWithTheirSelectors) {
    const CssSheet sheet = ParseCssSheet(
        "@charset \"utf-8\";\n"
        "h1, h2 { margin: 0 } /* between */\n"
        "p.note > a::before { content: '*' }\n"
        "<!-- div { color: red } -->\n"
        "empty {}\n");
    EXPECT_EQ(Rules(sheet), "2{margin=0} | 1{content='*'} | 1{color=red}");
}

TEST(CssSheetTest, RecoversFromBadInputAsBrowsersDo) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        // A bad selector drops its rule only.
        {"h1..x{a:1} h2{b:2}", "1{b=2}"},
        {"p, ::marker{a:1} h2{b:2}", "1{b=2}"},
        {"p:has(a){a:1} h2{b:2}", "1{b=2}"},
        // A bad declaration drops itself only.
        {"p{a:1; bogus; b:2}", "1{a=1; b=2}"},
        // Unterminated blocks, strings and comments end with the text.
        {"p{a:1", "1{a=1}"},
        {"p{a:1} q{b:'x", "1{a=1} | 1{b='x}"},
        {"p{a:1} /* h2{b:2}", "1{a=1}"},
        {"@media screen { p{a:1}", "1{a=1}"},
        // A "[" never closed swallows the rest of the sheet into the prelude.
        {"p[{a:1} div{b:2}", ""},
        // A stray "}" becomes part of the next prelude, which then does not read.
        {"p{a:1}} h2{b:2} h3{c:3}", "1{a=1} | 1{c=3}"},
        // A block inside a value is kept for the property to refuse, not split at its ";".
        {"p{a:b{c;d}e; f:1} h2{b:2}", "1{a=b{c;d}e; f=1} | 1{b=2}"},
        // A function never closed takes the rest of the sheet into the prelude as well.
        {"p:not({)}{a:1} h2{b:2}", ""},
        {"h1 h2", ""},
        {";", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Rules(ParseCssSheet(c.text)), c.expected) << "text: " << c.text;
    }
}

TEST(CssSheetTest, MediaQueriesHoldForAScreen) {
    struct Case {
        std::string query;
        bool holds;
    };
    const std::vector<Case> cases = {
        {"", true},
        {"all", true},
        {"screen", true},
        {"SCREEN", true},
        {"only screen", true},
        {"not print", true},
        {"print, screen", true},
        {"print", false},
        {"speech", false},
        {"not screen", false},
        {"tv", false},
        {"screen and (min-width: 30em)", true},
        {"(max-width: 600px)", true},
        {"(width >= 600px)", true},
        {"(400px < width < 800px)", true},
        {"screen and (orientation: portrait)", true},
        {"all and (prefers-color-scheme: dark)", false},
        {"(prefers-color-scheme: light)", true},
        {"not all and (monochrome)", true},
        {"(min-width: 1px) and (max-width: 2px)", true},
        {"(monochrome) or (color)", true},
        {"not (monochrome)", true},
        {"((color))", true},
        {"(color) and (monochrome) or (color)", false},
        {"screen and", false},
        {"screen (color)", false},
        {"and", false},
        {"only", false},
        {"garbage(", false},
        {"()", false},
        {"print, garbage(", false},
        {"bogus, screen", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MediaQueryListHolds(c.query), c.holds) << "query: " << c.query;
    }
    const CssSheet sheet = ParseCssSheet(
        "@media print { a{x:1} }\n"
        "@media screen { b{x:2} @media (min-width: 1em) { c{x:3} } @media speech { d{x:4} } }\n"
        "e{x:5}\n"
        "@media not print { f{x:6} }\n");
    EXPECT_EQ(Rules(sheet), "1{x=2} | 1{x=3} | 1{x=5} | 1{x=6}");
}

TEST(CssSheetTest, ImportsAreListedOnlyAtTheStart) {
    const CssSheet sheet = ParseCssSheet(
        "@charset \"utf-8\";\n"
        "@import url(a.css);\n"
        "@import 'b.css' screen;\n"
        "@import url(\"c.css\") print;\n"
        "@import url( d.css ) not print;\n"
        "@import e.css;\n"
        "@namespace epub \"http://www.idpf.org/2007/ops\";\n"
        "@import 'after-namespace.css';\n"
        "p{a:1}\n"
        "@import 'late.css';\n");
    EXPECT_EQ(sheet.imports, (std::vector<std::string>{"a.css", "b.css", "d.css"}));
    EXPECT_EQ(Rules(sheet), "1{a=1}");
}

TEST(CssSheetTest, NamespacesResolvePrefixesOfLaterRules) {
    const CssSheet sheet = ParseCssSheet(
        "@namespace epub \"http://www.idpf.org/2007/ops\";\n"
        "@namespace url(http://www.w3.org/1999/xhtml);\n"
        "@namespace svg url(\"http://www.w3.org/2000/svg\");\n"
        "@namespace bad;\n"
        "[epub|type~=\"z3998:poem\"] p{a:1}\n"
        "svg|title{b:2}\n"
        "x|p{c:3}\n"
        "@namespace late \"urn:late\";\n"
        "late|p{d:4}\n");
    EXPECT_EQ(Rules(sheet), "1{a=1} | 1{b=2}");
    ASSERT_NE(sheet.namespaces.Find("epub"), nullptr);
    EXPECT_EQ(*sheet.namespaces.Find("epub"), "http://www.idpf.org/2007/ops");
    EXPECT_EQ(sheet.namespaces.Find("late"), nullptr);
    EXPECT_EQ(sheet.namespaces.defaultUri, std::string("http://www.w3.org/1999/xhtml"));
    // The default namespace applies to the type selectors read after it.
    const Selector& typed = sheet.rules[0].selectors[0];
    EXPECT_EQ(typed.compounds.back().simples.front().ns, NamespaceMatch::Specific);
}

TEST(CssSheetTest, FontFacesKeptOtherAtRulesSkipped) {
    const CssSheet sheet = ParseCssSheet(
        "@font-face { font-family: \"Book Serif\"; src: url(fonts/serif.otf) }\n"
        "@page { margin: 1em } @page :first { margin: 2em }\n"
        "@supports (display: flex) { p{a:1} }\n"
        "@keyframes spin { from { x: 0 } to { x: 1 } }\n"
        "@unknown foo bar;\n"
        "@font-face {}\n"
        "h1{b:2}\n");
    ASSERT_EQ(sheet.fontFaces.size(), 1u);
    EXPECT_EQ(Written(sheet.fontFaces[0]), "font-family=\"Book Serif\"; src=url(fonts/serif.otf)");
    EXPECT_EQ(Rules(sheet), "1{b=2}");
}

// Selectors of the kinds the Standard Ebooks sheets use, as they write them: each must be read.
TEST(CssSheetTest, BookSheetSelectorsAllRead) {
    const std::string prelude =
        "@namespace epub \"http://www.idpf.org/2007/ops\";\n"
        "@namespace xml \"http://www.w3.org/XML/1998/namespace\";\n";
    const std::vector<std::string> selectors = {
        "q::before,\nq::after",
        "hgroup > h2 + p + p + p + p",
        "hgroup > *:first-child",
        "p.continued,\nh2 + p,\nhr + p,\np:first-child",
        "a[epub|type~=\"noteref\"]",
        "section[epub|type~=\"endnotes\"] > ol > li",
        "img[epub|type~=\"se:image.color-depth.black-on-transparent\"]"
        "[epub|type~=\"se:image.style.realistic\"]",
        "section[epub|type~=\"colophon\"] p:nth-last-child(2) time",
        "#chapter-3 [epub|type~=\"z3998:poem\"] p",
        "#laureate + dd + dt + dd a",
        "body [xml|lang]",
        "dt.adjective.noun > dfn::after",
        "dd > dl *",
        "section > .speaker + *",
    };
    for (const std::string& selector : selectors) {
        const CssSheet sheet = ParseCssSheet(prelude + selector + "{a:b}");
        EXPECT_EQ(sheet.rules.size(), 1u) << selector;
    }
}

}  // namespace
}  // namespace quirelle
