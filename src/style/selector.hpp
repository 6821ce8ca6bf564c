#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document/document_tree.hpp"

namespace quirelle {

// The prefixes a sheet declared with @namespace, and its default namespace if it set one.
struct CssNamespaces {
    std::optional<std::string> defaultUri;
    std::vector<std::pair<std::string, std::string>> prefixes;  // later declarations win

    void Declare(std::string prefix, std::string uri);
    const std::string* Find(std::string_view prefix) const;
};

// Which namespace a type or attribute selector asks for.
enum class NamespaceMatch : std::uint8_t {
    Any,       // "*|x", or a type selector with no prefix and no default namespace
    None,      // "|x", or an attribute selector with no prefix
    Specific,  // "ns|x", or the default namespace
};

enum class SimpleKind : std::uint8_t { Type, Universal, Id, Class, Attribute, PseudoClass, Not };

enum class AttributeMatch : std::uint8_t {
    Exists,     // [a]
    Equals,     // [a=v]
    Includes,   // [a~=v]
    DashMatch,  // [a|=v]
    Prefix,     // [a^=v]
    Suffix,     // [a$=v]
    Substring,  // [a*=v]
};

enum class CaseSensitivity : std::uint8_t { Sensitive, AsciiInsensitive };

enum class PseudoClass : std::uint8_t {
    FirstChild,
    LastChild,
    OnlyChild,
    FirstOfType,
    LastOfType,
    OnlyOfType,
    NthChild,
    NthLastChild,
    NthOfType,
    NthLastOfType,
    Lang,
    Root,
    Empty,
    Link,
    Never,  // states a page never has: :hover, :focus, :visited...
};

enum class PseudoElement : std::uint8_t { None, Before, After, FirstLetter, FirstLine };

// An index into the names a RuleSet interned (its atoms), so that matching compares ids.
using SelectorAtom = std::uint32_t;
inline constexpr SelectorAtom kNoAtom = 0xFFFFFFFFu;

struct SimpleSelector {
    SimpleKind kind = SimpleKind::Universal;
    NamespaceMatch ns = NamespaceMatch::Any;
    AttributeMatch match = AttributeMatch::Exists;
    CaseSensitivity valueCase = CaseSensitivity::Sensitive;
    PseudoClass pseudo = PseudoClass::Never;
    std::string namespaceUri;
    std::string name;   // type and attribute local names, id, class
    std::string value;  // attribute value, :lang() range
    int a = 0;          // :nth-*(an+b)
    int b = 0;
    SelectorAtom nameAtom = kNoAtom;
    SelectorAtom namespaceAtom = kNoAtom;
    // :not(): its compound selectors, any of which excludes the element.
    std::vector<std::vector<SimpleSelector>> negated;
};

// How a compound relates to the one left of it.
enum class Combinator : std::uint8_t { Descendant, Child, NextSibling, SubsequentSibling };

struct CompoundSelector {
    std::vector<SimpleSelector> simples;             // empty means "*"
    Combinator combinator = Combinator::Descendant;  // to the compound before it; unused first
};

// Specificity (a, b, c) packed so that comparing the integers compares the triples.
using Specificity = std::uint32_t;
constexpr Specificity MakeSpecificity(std::uint32_t ids, std::uint32_t classes,
                                      std::uint32_t types) {
    auto clamp = [](std::uint32_t v) { return v > 1023 ? 1023u : v; };
    return clamp(ids) << 20 | clamp(classes) << 10 | clamp(types);
}

struct Selector {
    std::vector<CompoundSelector> compounds;  // left to right
    PseudoElement pseudoElement = PseudoElement::None;
    Specificity specificity = 0;
};

// Against hostile sheets: a selector with more compounds or simple selectors than this, or a
// list longer than kMaxSelectorsInList, is not read (its rule is dropped).
inline constexpr std::size_t kMaxCompounds = 64;
inline constexpr std::size_t kMaxSimplesPerCompound = 64;
inline constexpr std::size_t kMaxSelectorsInList = 4096;

// Reads a selector list ("h1, p.note > a[href]::before"). Empty when any selector of the list
// cannot be read or uses a namespace prefix `namespaces` does not declare: a browser then drops
// the whole rule.
std::optional<std::vector<Selector>> ParseSelectorList(std::string_view text,
                                                       const CssNamespaces& namespaces = {});

// Names interned for matching: each distinct name gets an atom, which a tree maps to its own
// name id once (Bind), so that matching an element compares integers.
class SelectorAtoms {
  public:
    SelectorAtom Intern(std::string_view text);
    // Sets the atoms of every name the selector uses.
    void InternSelector(Selector& selector);
    // Per atom, the tree's id of that name (DocumentTree::kNoName when the tree lacks it).
    std::vector<NameId> Bind(const DocumentTree& tree) const;
    std::size_t size() const { return texts_.size(); }

  private:
    std::vector<std::string> texts_;
    std::map<std::string, SelectorAtom, std::less<>> index_;
};

// What the matcher of one tree knows: the tree's ids of the atoms, and of the attributes it
// reads for every element.
struct SelectorContext {
    const DocumentTree* tree = nullptr;
    std::span<const NameId> atoms;
    NameId idName = DocumentTree::kNoName;
    NameId className = DocumentTree::kNoName;
    NameId hrefName = DocumentTree::kNoName;
    NameId langName = DocumentTree::kNoName;
    NameId xmlNamespace = DocumentTree::kNoName;
    NameId aName = DocumentTree::kNoName;

    static SelectorContext For(const DocumentTree& tree, std::span<const NameId> atoms);
};

// Whether the element matches the selector (its atoms interned and bound in `context`). A
// selector with a pseudo-element matches the element that would generate it.
bool MatchesSelector(const Selector& selector, const SelectorContext& context, NodeIndex element);

// The same for a selector not interned anywhere: slow, for tests and single queries.
bool MatchesSelector(const Selector& selector, const DocumentTree& tree, NodeIndex element);

// The attribute's value on the element, found by the tree's ids of its namespace and local
// name, if it has that attribute.
std::optional<std::string_view> FindAttribute(const DocumentTree& tree, NodeIndex element,
                                              NameId namespaceUri, NameId local);

// Calls f(token) for each white-space-separated token of a class attribute, until f is true.
template <typename F>
bool AnyClassToken(std::string_view list, F&& f) {
    std::size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && (list[i] == ' ' || list[i] == '\t' || list[i] == '\n' ||
                                   list[i] == '\r' || list[i] == '\f')) {
            ++i;
        }
        std::size_t j = i;
        while (j < list.size() && !(list[j] == ' ' || list[j] == '\t' || list[j] == '\n' ||
                                    list[j] == '\r' || list[j] == '\f')) {
            ++j;
        }
        if (j > i && f(list.substr(i, j - i))) {
            return true;
        }
        i = j;
    }
    return false;
}

}  // namespace quirelle
