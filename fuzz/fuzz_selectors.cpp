// A sheet as a book brings it, read into rules and matched against every element of a small
// document; the same bytes read as a selector list and as a `style` attribute.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "document/document_tree.hpp"
#include "style/css_declaration.hpp"
#include "style/css_sheet.hpp"
#include "style/rule_matching.hpp"
#include "style/selector.hpp"

namespace {

constexpr std::string_view kDocument = R"(<?xml version="1.0" encoding="utf-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops"
      xml:lang="en">
<head><title>t</title></head>
<body id="b" class="x y">
<section epub:type="chapter z3998:poem" id="c1">
<h1 class="title">One</h1>
<p class="first" lang="fr" style="color: red; margin: 0 !important">A <a href="#n">n</a> b</p>
<p>B <span xml:lang="de">c</span><br/></p>
<p/>
<blockquote><p class="x">q</p></blockquote>
</section>
<svg xmlns="http://www.w3.org/2000/svg"><title>s</title></svg>
</body>
</html>)";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const quirelle::DocumentTree tree = quirelle::DocumentTree::Parse(kDocument);
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const quirelle::CssSheet sheet = quirelle::ParseCssSheet(text);
    quirelle::RuleSet rules;
    rules.AddSheet(sheet, quirelle::CascadeOrigin::Author);
    quirelle::RuleMatcher matcher(rules, tree);
    quirelle::MatchedDeclarations matched;
    for (quirelle::NodeIndex node = 0; node < tree.size(); ++node) {
        matcher.Match(node, matched);
        matcher.Match(node, matched, quirelle::PseudoElement::Before);
    }

    if (const auto list = quirelle::ParseSelectorList(text, sheet.namespaces)) {
        for (const quirelle::Selector& selector : *list) {
            for (quirelle::NodeIndex node = 0; node < tree.size(); ++node) {
                quirelle::MatchesSelector(selector, tree, node);
            }
        }
    }
    quirelle::ParseDeclarationBlock(text);
    quirelle::MediaQueryListHolds(text);
    return 0;
}
