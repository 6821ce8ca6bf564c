#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "style/css_declaration.hpp"
#include "style/selector.hpp"

namespace quirelle {

// A style rule: its selector list (never empty: a rule whose selectors cannot all be read is
// dropped) and its declarations in source order.
struct CssStyleRule {
    std::vector<Selector> selectors;
    std::vector<CssDeclaration> declarations;
    // The selector list as written, white space trimmed: the style dump names rules by it.
    std::string selectorText;
};

// A sheet as a screen reader of books applies it: the style rules of the sheet and of the
// @media blocks that hold for a screen, in source order.
struct CssSheet {
    std::vector<CssStyleRule> rules;
    // @import targets as written (relative to the sheet), in order: the caller reads them and
    // applies their rules before this sheet's own.
    std::vector<std::string> imports;
    CssNamespaces namespaces;
    // Each @font-face block's descriptors.
    std::vector<std::vector<CssDeclaration>> fontFaces;
};

// Against hostile sheets: rules past this many are dropped, and @media blocks nested deeper
// than kMaxMediaNesting are skipped.
inline constexpr std::size_t kMaxCssRules = 200'000;
inline constexpr std::size_t kMaxMediaNesting = 16;

// Reads a sheet. Nothing in it is an error: what cannot be read is dropped as a browser drops
// it (a bad selector its rule, a bad declaration itself, an unknown at-rule its block).
CssSheet ParseCssSheet(std::string_view text);

// Whether a media query list ("screen, print", "not print", "all and (min-width: 30em)") holds
// for the reader's screen. An empty list holds; a query that cannot be read does not.
bool MediaQueryListHolds(std::string_view text);

}  // namespace quirelle
