#include "search/hidden_elements.hpp"

#include <algorithm>
#include <array>
#include <string_view>

#include "style/css_declaration.hpp"

namespace quirelle {

namespace {

bool EqualsIgnoringAsciiCase(std::string_view text, std::string_view lower) {
    return text.size() == lower.size() &&
           std::equal(text.begin(), text.end(), lower.begin(), [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
           });
}

// Of several `display` declarations in one block, the last one holds.
bool SaysDisplayNone(const std::vector<CssDeclaration>& declarations) {
    const auto last = std::find_if(declarations.rbegin(), declarations.rend(),
                                   [](const CssDeclaration& d) { return d.property == "display"; });
    return last != declarations.rend() && EqualsIgnoringAsciiCase(last->value, "none");
}

// What HTML never draws (the reader's own sheet says display:none for them).
constexpr std::array<std::string_view, 16> kNeverShown = {
    "head",     "script",  "style",    "title", "link", "meta",     "base", "basefont",
    "datalist", "noembed", "noframes", "param", "rp",   "template", "area", "noscript"};

}  // namespace

void HiddenElements::Prepare(const std::vector<std::shared_ptr<const CssSheet>>& sheets,
                             const DocumentTree& tree) {
    selectors_.clear();
    for (const auto& sheet : sheets) {
        for (const CssStyleRule& rule : sheet->rules) {
            if (!SaysDisplayNone(rule.declarations)) {
                continue;
            }
            for (const Selector& selector : rule.selectors) {
                // A rule for ::before or ::after hides what it generates, not the element.
                if (selector.pseudoElement == PseudoElement::None) {
                    selectors_.push_back(selector);
                    atoms_.InternSelector(selectors_.back());
                }
            }
        }
    }
    boundAtoms_ = atoms_.Bind(tree);
    context_ = SelectorContext::For(tree, boundAtoms_);
    neverShown_.clear();
    for (const std::string_view name : kNeverShown) {
        if (const NameId id = tree.Find(name); id != DocumentTree::kNoName) {
            neverShown_.push_back(id);
        }
    }
    hiddenName_ = tree.Find("hidden");
    styleName_ = tree.Find("style");
}

bool HiddenElements::IsHidden(const DocumentTree& tree, NodeIndex element) const {
    if (std::find(neverShown_.begin(), neverShown_.end(), tree.name(element).local) !=
        neverShown_.end()) {
        return true;
    }
    for (const TreeAttribute& attribute : tree.attributes(element)) {
        if (attribute.name.namespaceUri != kEmptyName) {
            continue;
        }
        if (attribute.name.local == hiddenName_) {
            return true;
        }
        if (attribute.name.local == styleName_ &&
            tree.ValueOf(attribute).find("display") != std::string_view::npos &&
            SaysDisplayNone(ParseDeclarationBlock(tree.ValueOf(attribute)))) {
            return true;
        }
    }
    return std::any_of(selectors_.begin(), selectors_.end(), [&](const Selector& selector) {
        return MatchesSelector(selector, context_, element);
    });
}

}  // namespace quirelle
