#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "document/document_tree.hpp"
#include "style/css_declaration.hpp"
#include "style/css_sheet.hpp"
#include "style/selector.hpp"

namespace quirelle {

// Where a sheet comes from: the reader's own defaults, or the book.
enum class CascadeOrigin : std::uint8_t { UserAgent, Author };

// The declarations that apply to one element, in the order to apply them: for each property the
// one that wins comes last. Normal declarations come by origin (user agent, then author), then
// specificity, then source order (presentational attributes come first among the author's);
// then the `style` attribute's; then the important ones, author
// before the `style` attribute's before the user agent's.
struct MatchedDeclarations {
    std::vector<const CssDeclaration*> ordered;
    // The element's `style` attribute, read: `ordered` points into it.
    std::vector<CssDeclaration> inlineStyle;
    // Its presentational attributes, read: they weigh less than the book's rules.
    std::vector<CssDeclaration> hints;
};

// The rules of a document's sheets, indexed by the id, class or type of their rightmost
// compound (or kept with the universal ones), so that an element is tried only against rules
// that can match it.
class RuleSet {
  public:
    // Appends the sheet's rules after those added before: a caller adds a sheet's imports first.
    // A set copied (say, the reader's own sheets, made once) goes on independently of its
    // original.
    void AddSheet(const CssSheet& sheet, CascadeOrigin origin);

    std::size_t ruleCount() const { return rules_.size(); }

  private:
    friend class RuleMatcher;
    struct Rule {
        std::vector<Selector> selectors;
        std::vector<CssDeclaration> declarations;
        CascadeOrigin origin = CascadeOrigin::Author;
    };
    // Names an element's ancestors must carry for the selector to match (the ids, classes and
    // types of the compounds left of a descendant or child combinator), hashed; 0 ends them.
    static constexpr std::size_t kAncestorHashes = 4;
    struct Entry {
        const Selector* selector = nullptr;
        std::uint32_t rule = 0;
        std::array<std::uint32_t, kAncestorHashes> ancestorHashes{};
    };
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    using Buckets = std::unordered_map<std::string, std::vector<Entry>, TextHash, std::equal_to<>>;

    // Rules are never moved or changed once added (selectors are pointed to), so that a copy
    // of the set shares them: a copy costs the buckets, not the rules.
    std::vector<std::shared_ptr<const Rule>> rules_;
    SelectorAtoms atoms_;
    Buckets byId_;
    Buckets byClass_;
    std::unordered_map<SelectorAtom, std::vector<Entry>> byType_;
    std::vector<Entry> universal_;
};

// Matches the elements of one tree against a rule set: the set's names are looked up in the
// tree once, and the buffers are reused from element to element.
class RuleMatcher {
  public:
    // Both must outlive the matcher.
    RuleMatcher(const RuleSet& rules, const DocumentTree& tree);

    // The declarations for the element itself, or for one of its pseudo-elements.
    void Match(NodeIndex element, MatchedDeclarations& out,
               PseudoElement pseudo = PseudoElement::None);

  private:
    struct Candidate {
        std::uint32_t rule = 0;
        Specificity specificity = 0;
    };
    void Collect(const std::vector<RuleSet::Entry>& bucket, NodeIndex element,
                 PseudoElement pseudo);

    // A counting Bloom filter of the names of the current element's ancestors: a rule that
    // needs an ancestor name the filter lacks is skipped without walking up the tree. It follows
    // the element asked for, so elements in document order each cost a step or two.
    void MoveFilterTo(NodeIndex parent);
    void Filter(NodeIndex element, int delta);
    bool MayMatch(const RuleSet::Entry& entry) const;

    const RuleSet& rules_;
    const DocumentTree& tree_;
    std::array<std::uint8_t, 4096> filter_{};
    std::vector<NodeIndex> filtered_;  // the ancestors in the filter, root first
    std::vector<NodeIndex> path_;
    std::vector<NameId> atomIds_;
    SelectorContext context_;
    std::unordered_map<NameId, const std::vector<RuleSet::Entry>*> byTypeName_;
    NameId styleName_ = DocumentTree::kNoName;
    std::vector<Candidate> candidates_;
};

// One element, matched with a matcher made for the call.
MatchedDeclarations MatchRules(const RuleSet& rules, const DocumentTree& tree, NodeIndex element);

}  // namespace quirelle
