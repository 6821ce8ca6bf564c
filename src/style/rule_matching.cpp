#include "style/rule_matching.hpp"

#include <algorithm>
#include <array>

#include "style/presentational_hints.hpp"

namespace quirelle {

namespace {

enum class NameKind : std::uint32_t { Type = 1, Id = 2, Class = 3 };

// FNV-1a, salted by the kind of name so that a class "p" and a type p differ; never 0.
std::uint32_t NameHash(NameKind kind, std::string_view text) {
    std::uint32_t hash = 2166136261u ^ static_cast<std::uint32_t>(kind);
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    hash ^= hash >> 15;
    return hash == 0 ? 1 : hash;
}

std::array<std::uint32_t, 4> AncestorHashes(const Selector& selector) {
    std::array<std::uint32_t, 4> hashes{};
    std::size_t count = 0;
    // A compound left of a descendant or child combinator is an ancestor of the subject, even
    // when sibling combinators come between ("a > b + c": a is c's parent too).
    for (std::size_t i = selector.compounds.size() - 1; i > 0 && count < hashes.size(); --i) {
        const Combinator combinator = selector.compounds[i].combinator;
        if (combinator != Combinator::Descendant && combinator != Combinator::Child) {
            continue;
        }
        for (const SimpleSelector& simple : selector.compounds[i - 1].simples) {
            if (count == hashes.size()) {
                break;
            }
            if (simple.kind == SimpleKind::Id) {
                hashes[count++] = NameHash(NameKind::Id, simple.name);
            } else if (simple.kind == SimpleKind::Class) {
                hashes[count++] = NameHash(NameKind::Class, simple.name);
            } else if (simple.kind == SimpleKind::Type) {
                hashes[count++] = NameHash(NameKind::Type, simple.name);
            }
        }
    }
    return hashes;
}

std::size_t FirstSlot(std::uint32_t hash) {
    return hash & 0xFFF;
}
std::size_t SecondSlot(std::uint32_t hash) {
    return (hash >> 12) & 0xFFF;
}

}  // namespace

void RuleSet::AddSheet(const CssSheet& sheet, CascadeOrigin origin) {
    for (const CssStyleRule& source : sheet.rules) {
        const auto index = static_cast<std::uint32_t>(rules_.size());
        auto rule = std::make_shared<Rule>();
        rule->selectors = source.selectors;
        rule->declarations = source.declarations;
        rule->origin = origin;
        for (Selector& selector : rule->selectors) {
            atoms_.InternSelector(selector);
            if (selector.compounds.empty()) {
                continue;
            }
            const Entry entry{&selector, index, AncestorHashes(selector)};
            // The most selective name of the rightmost compound decides the bucket.
            const SimpleSelector* id = nullptr;
            const SimpleSelector* klass = nullptr;
            const SimpleSelector* type = nullptr;
            for (const SimpleSelector& simple : selector.compounds.back().simples) {
                if (simple.kind == SimpleKind::Id && id == nullptr) {
                    id = &simple;
                } else if (simple.kind == SimpleKind::Class && klass == nullptr) {
                    klass = &simple;
                } else if (simple.kind == SimpleKind::Type && type == nullptr) {
                    type = &simple;
                }
            }
            if (id != nullptr) {
                byId_[id->name].push_back(entry);
            } else if (klass != nullptr) {
                byClass_[klass->name].push_back(entry);
            } else if (type != nullptr) {
                byType_[type->nameAtom].push_back(entry);
            } else {
                universal_.push_back(entry);
            }
        }
        rules_.push_back(std::move(rule));
    }
}

RuleMatcher::RuleMatcher(const RuleSet& rules, const DocumentTree& tree)
    : rules_(rules), tree_(tree), atomIds_(rules.atoms_.Bind(tree)) {
    context_ = SelectorContext::For(tree, atomIds_);
    for (const auto& [atom, bucket] : rules.byType_) {
        const NameId name = atomIds_[atom];
        if (name != DocumentTree::kNoName) {
            byTypeName_.emplace(name, &bucket);
        }
    }
    styleName_ = tree.Find("style");
}

void RuleMatcher::Filter(NodeIndex element, int delta) {
    auto add = [&](std::uint32_t hash) {
        for (const std::size_t slot : {FirstSlot(hash), SecondSlot(hash)}) {
            std::uint8_t& count = filter_[slot];
            // A count that reached the top stays there: the filter may then only say "maybe".
            if (count == 255) {
                continue;
            }
            if (delta > 0) {
                ++count;
            } else if (count > 0) {
                --count;
            }
        }
    };
    add(NameHash(NameKind::Type, tree_.LocalName(element)));
    if (const auto id = FindAttribute(tree_, element, kEmptyName, context_.idName)) {
        add(NameHash(NameKind::Id, *id));
    }
    if (const auto list = FindAttribute(tree_, element, kEmptyName, context_.className)) {
        AnyClassToken(*list, [&](std::string_view token) {
            add(NameHash(NameKind::Class, token));
            return false;
        });
    }
}

void RuleMatcher::MoveFilterTo(NodeIndex parent) {
    path_.clear();
    for (NodeIndex up = parent; up != kNoNode; up = tree_.parent(up)) {
        path_.push_back(up);
    }
    std::reverse(path_.begin(), path_.end());
    std::size_t common = 0;
    while (common < filtered_.size() && common < path_.size() &&
           filtered_[common] == path_[common]) {
        ++common;
    }
    while (filtered_.size() > common) {
        Filter(filtered_.back(), -1);
        filtered_.pop_back();
    }
    for (std::size_t i = common; i < path_.size(); ++i) {
        Filter(path_[i], +1);
        filtered_.push_back(path_[i]);
    }
}

bool RuleMatcher::MayMatch(const RuleSet::Entry& entry) const {
    for (const std::uint32_t hash : entry.ancestorHashes) {
        if (hash == 0) {
            return true;
        }
        if (filter_[FirstSlot(hash)] == 0 || filter_[SecondSlot(hash)] == 0) {
            return false;
        }
    }
    return true;
}

void RuleMatcher::Collect(const std::vector<RuleSet::Entry>& bucket, NodeIndex element,
                          PseudoElement pseudo) {
    for (const RuleSet::Entry& entry : bucket) {
        if (entry.selector->pseudoElement == pseudo && MayMatch(entry) &&
            MatchesSelector(*entry.selector, context_, element)) {
            candidates_.push_back({entry.rule, entry.selector->specificity});
        }
    }
}

void RuleMatcher::Match(NodeIndex element, MatchedDeclarations& out, PseudoElement pseudo) {
    out.ordered.clear();
    out.inlineStyle.clear();
    candidates_.clear();
    if (element >= tree_.size() || !tree_.IsElement(element)) {
        return;
    }
    MoveFilterTo(tree_.parent(element));
    if (const auto id = FindAttribute(tree_, element, kEmptyName, context_.idName)) {
        const auto found = rules_.byId_.find(*id);
        if (found != rules_.byId_.end()) {
            Collect(found->second, element, pseudo);
        }
    }
    if (!rules_.byClass_.empty()) {
        if (const auto list = FindAttribute(tree_, element, kEmptyName, context_.className)) {
            AnyClassToken(*list, [&](std::string_view token) {
                const auto found = rules_.byClass_.find(token);
                if (found != rules_.byClass_.end()) {
                    Collect(found->second, element, pseudo);
                }
                return false;
            });
        }
    }
    const auto typed = byTypeName_.find(tree_.name(element).local);
    if (typed != byTypeName_.end()) {
        Collect(*typed->second, element, pseudo);
    }
    Collect(rules_.universal_, element, pseudo);

    // A rule met through several of its selectors (or a class written twice) counts once, with
    // the most specific selector that matched.
    std::sort(candidates_.begin(), candidates_.end(), [](const Candidate& x, const Candidate& y) {
        return x.rule != y.rule ? x.rule < y.rule : x.specificity > y.specificity;
    });
    candidates_.erase(
        std::unique(candidates_.begin(), candidates_.end(),
                    [](const Candidate& x, const Candidate& y) { return x.rule == y.rule; }),
        candidates_.end());
    const auto& rules = rules_.rules_;
    std::sort(candidates_.begin(), candidates_.end(), [&](const Candidate& x, const Candidate& y) {
        const CascadeOrigin ox = rules[x.rule]->origin;
        const CascadeOrigin oy = rules[y.rule]->origin;
        if (ox != oy) {
            return ox < oy;
        }
        return x.specificity != y.specificity ? x.specificity < y.specificity : x.rule < y.rule;
    });

    out.hints.clear();
    if (pseudo == PseudoElement::None) {
        out.hints = PresentationalHints(tree_, element);
    }
    if (pseudo == PseudoElement::None && styleName_ != DocumentTree::kNoName) {
        if (const auto style = FindAttribute(tree_, element, kEmptyName, styleName_)) {
            out.inlineStyle = ParseDeclarationBlock(*style);
        }
    }

    enum class Importance : std::uint8_t { Normal, Important };
    auto addRules = [&](CascadeOrigin origin, Importance importance) {
        const bool important = importance == Importance::Important;
        for (const Candidate& candidate : candidates_) {
            const RuleSet::Rule& rule = *rules[candidate.rule];
            if (rule.origin != origin) {
                continue;
            }
            for (const CssDeclaration& declaration : rule.declarations) {
                if (declaration.important == important) {
                    out.ordered.push_back(&declaration);
                }
            }
        }
    };
    auto addInline = [&](Importance importance) {
        for (const CssDeclaration& declaration : out.inlineStyle) {
            if (declaration.important == (importance == Importance::Important)) {
                out.ordered.push_back(&declaration);
            }
        }
    };
    addRules(CascadeOrigin::UserAgent, Importance::Normal);
    for (const CssDeclaration& declaration : out.hints) {
        out.ordered.push_back(&declaration);
    }
    addRules(CascadeOrigin::Author, Importance::Normal);
    addInline(Importance::Normal);
    addRules(CascadeOrigin::Author, Importance::Important);
    addInline(Importance::Important);
    addRules(CascadeOrigin::UserAgent, Importance::Important);
}

MatchedDeclarations MatchRules(const RuleSet& rules, const DocumentTree& tree, NodeIndex element) {
    RuleMatcher matcher(rules, tree);
    MatchedDeclarations out;
    matcher.Match(element, out);
    return out;
}

}  // namespace quirelle
