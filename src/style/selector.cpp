#include "style/selector.hpp"

#include <algorithm>
#include <cstdint>

#include "style/css_tokenizer.hpp"

namespace quirelle {

void CssNamespaces::Declare(std::string prefix, std::string uri) {
    for (auto& [known, knownUri] : prefixes) {
        if (known == prefix) {
            knownUri = std::move(uri);
            return;
        }
    }
    prefixes.emplace_back(std::move(prefix), std::move(uri));
}

const std::string* CssNamespaces::Find(std::string_view prefix) const {
    for (const auto& [known, uri] : prefixes) {
        if (known == prefix) {
            return &uri;
        }
    }
    return nullptr;
}

namespace {

// ---------------------------------------------------------------------------------------------
// Reading

enum class InsideNot : std::uint8_t { No, Yes };

bool IsDelim(const CssToken& token, char32_t c) {
    return token.type == CssTokenType::Delim && token.delim == c;
}

class SelectorParser {
  public:
    SelectorParser(const CssTokens& tokens, const CssNamespaces& namespaces)
        : t_(tokens), namespaces_(namespaces) {}

    std::optional<std::vector<Selector>> ParseList(std::size_t first, std::size_t last) {
        std::vector<Selector> list;
        for (std::size_t start = first; start <= last;) {
            const std::size_t end = NextComma(start, last);
            if (list.size() >= kMaxSelectorsInList) {
                return std::nullopt;
            }
            Selector selector;
            if (!ParseComplex(start, end, selector)) {
                return std::nullopt;
            }
            list.push_back(std::move(selector));
            start = end + 1;
        }
        return list;
    }

  private:
    std::size_t NextComma(std::size_t i, std::size_t last) const {
        while (i < last && t_[i].type != CssTokenType::Comma) {
            i = t_.SkipComponent(i);
        }
        return std::min(i, last);
    }
    bool IsSpace(std::size_t i, std::size_t last) const {
        return i < last && t_[i].type == CssTokenType::Whitespace;
    }
    void Trim(std::size_t& first, std::size_t& last) const {
        while (first < last && t_[first].type == CssTokenType::Whitespace) {
            ++first;
        }
        while (last > first && t_[last - 1].type == CssTokenType::Whitespace) {
            --last;
        }
    }

    bool ParseComplex(std::size_t first, std::size_t last, Selector& selector) {
        Trim(first, last);
        if (first == last) {
            return false;
        }
        std::size_t i = first;
        Combinator combinator = Combinator::Descendant;
        while (true) {
            if (selector.compounds.size() >= kMaxCompounds ||
                selector.pseudoElement != PseudoElement::None) {
                return false;  // nothing may follow a pseudo-element
            }
            CompoundSelector compound;
            compound.combinator = combinator;
            if (!ParseCompound(i, last, compound.simples, &selector.pseudoElement, InsideNot::No)) {
                return false;
            }
            selector.compounds.push_back(std::move(compound));
            bool space = false;
            while (IsSpace(i, last)) {
                ++i;
                space = true;
            }
            if (i == last) {
                break;
            }
            if (IsDelim(t_[i], '>') || IsDelim(t_[i], '+') || IsDelim(t_[i], '~')) {
                combinator = t_[i].delim == '>'   ? Combinator::Child
                             : t_[i].delim == '+' ? Combinator::NextSibling
                                                  : Combinator::SubsequentSibling;
                ++i;
                while (IsSpace(i, last)) {
                    ++i;
                }
                if (i == last) {
                    return false;
                }
            } else if (space) {
                combinator = Combinator::Descendant;
            } else {
                return false;
            }
        }
        selector.specificity = SpecificityOf(selector);
        return true;
    }

    static Specificity SpecificityOfSimples(const std::vector<SimpleSelector>& simples) {
        std::uint32_t ids = 0;
        std::uint32_t classes = 0;
        std::uint32_t types = 0;
        for (const SimpleSelector& simple : simples) {
            switch (simple.kind) {
                case SimpleKind::Type:
                    ++types;
                    break;
                case SimpleKind::Universal:
                    break;
                case SimpleKind::Id:
                    ++ids;
                    break;
                case SimpleKind::Class:
                case SimpleKind::Attribute:
                case SimpleKind::PseudoClass:
                    ++classes;
                    break;
                case SimpleKind::Not: {
                    Specificity most = 0;
                    for (const auto& argument : simple.negated) {
                        most = std::max(most, SpecificityOfSimples(argument));
                    }
                    // Each field on its own, so that many negations saturate rather than
                    // carry into the next field.
                    ids += most >> 20;
                    classes += (most >> 10) & 1023;
                    types += most & 1023;
                    break;
                }
            }
        }
        return MakeSpecificity(ids, classes, types);
    }

    static Specificity SpecificityOf(const Selector& selector) {
        Specificity total = selector.pseudoElement != PseudoElement::None ? 1 : 0;
        for (const CompoundSelector& compound : selector.compounds) {
            const Specificity s = SpecificityOfSimples(compound.simples);
            total = MakeSpecificity((total >> 20) + (s >> 20),
                                    ((total >> 10) & 1023) + ((s >> 10) & 1023),
                                    (total & 1023) + (s & 1023));
        }
        return total;
    }

    // A namespace prefix at i ("ns|", "*|", "|") followed by a name or "*": where the name
    // starts, and which namespace was asked for. Returns i itself when there is no prefix.
    // `forAttribute` also accepts "[a|=v]" as a name, not a prefix.
    bool ReadPrefix(std::size_t& i, std::size_t last, SimpleSelector& simple, bool& failed) {
        failed = false;
        auto nameAt = [&](std::size_t k) {
            return k < last && (t_[k].type == CssTokenType::Ident || IsDelim(t_[k], '*'));
        };
        if (IsDelim(t_[i], '|') && nameAt(i + 1)) {
            simple.ns = NamespaceMatch::None;
            i += 1;
            return true;
        }
        if (i + 1 < last && IsDelim(t_[i + 1], '|') && nameAt(i + 2)) {
            if (IsDelim(t_[i], '*')) {
                simple.ns = NamespaceMatch::Any;
            } else if (t_[i].type == CssTokenType::Ident) {
                const std::string* uri = namespaces_.Find(t_[i].value);
                if (uri == nullptr) {
                    failed = true;
                    return false;
                }
                SetNamespace(simple, *uri);
            } else {
                return false;
            }
            i += 2;
            return true;
        }
        return false;
    }

    static void SetNamespace(SimpleSelector& simple, const std::string& uri) {
        if (uri.empty()) {
            simple.ns = NamespaceMatch::None;
        } else {
            simple.ns = NamespaceMatch::Specific;
            simple.namespaceUri = uri;
        }
    }

    bool ParseCompound(std::size_t& i, std::size_t last, std::vector<SimpleSelector>& simples,
                       PseudoElement* pseudoElement, InsideNot insideNot) {
        const std::size_t start = i;
        // Type or universal selector, with its namespace.
        if (i < last &&
            (t_[i].type == CssTokenType::Ident || IsDelim(t_[i], '*') || IsDelim(t_[i], '|'))) {
            SimpleSelector simple;
            if (namespaces_.defaultUri) {
                SetNamespace(simple, *namespaces_.defaultUri);
            }
            bool failed = false;
            ReadPrefix(i, last, simple, failed);
            if (failed) {
                return false;
            }
            if (t_[i].type == CssTokenType::Ident) {
                simple.kind = SimpleKind::Type;
                simple.name = t_[i].value;
                simples.push_back(std::move(simple));
            } else if (IsDelim(t_[i], '*')) {
                simple.kind = SimpleKind::Universal;
                if (simple.ns != NamespaceMatch::Any) {
                    simples.push_back(std::move(simple));
                }
            } else {
                return false;
            }
            ++i;
        }
        while (i < last) {
            if (simples.size() >= kMaxSimplesPerCompound) {
                return false;
            }
            const CssToken& token = t_[i];
            if (pseudoElement != nullptr && *pseudoElement != PseudoElement::None) {
                // Only a state may follow a pseudo-element ("::before:hover"), and it never holds.
                if (token.type == CssTokenType::Colon && i + 1 < last &&
                    t_[i + 1].type == CssTokenType::Ident && NeverMatchingState(t_[i + 1].value)) {
                    SimpleSelector never;
                    never.kind = SimpleKind::PseudoClass;
                    never.pseudo = PseudoClass::Never;
                    simples.push_back(std::move(never));
                    i += 2;
                    continue;
                }
                break;
            }
            if (token.type == CssTokenType::Hash) {
                if (token.hashKind != HashKind::Id) {
                    return false;
                }
                SimpleSelector simple;
                simple.kind = SimpleKind::Id;
                simple.name = token.value;
                simples.push_back(std::move(simple));
                ++i;
            } else if (IsDelim(token, '.')) {
                if (i + 1 >= last || t_[i + 1].type != CssTokenType::Ident) {
                    return false;
                }
                SimpleSelector simple;
                simple.kind = SimpleKind::Class;
                simple.name = t_[i + 1].value;
                simples.push_back(std::move(simple));
                i += 2;
            } else if (token.type == CssTokenType::OpenSquare) {
                const std::size_t end = t_.SkipComponent(i);
                if (end > last || t_[end - 1].type != CssTokenType::CloseSquare) {
                    return false;
                }
                SimpleSelector simple;
                if (!ParseAttribute(i + 1, end - 1, simple)) {
                    return false;
                }
                simples.push_back(std::move(simple));
                i = end;
            } else if (token.type == CssTokenType::Colon) {
                if (!ParsePseudo(i, last, simples, pseudoElement, insideNot)) {
                    return false;
                }
            } else {
                break;
            }
        }
        return i > start;
    }

    bool ParseAttribute(std::size_t i, std::size_t last, SimpleSelector& simple) {
        Trim(i, last);
        simple.kind = SimpleKind::Attribute;
        simple.ns = NamespaceMatch::None;
        if (i >= last) {
            return false;
        }
        bool failed = false;
        // "[a|=v]" is a name and an operator, not a prefix.
        const bool dashMatch = i + 2 < last && t_[i].type == CssTokenType::Ident &&
                               IsDelim(t_[i + 1], '|') && IsDelim(t_[i + 2], '=');
        if (!dashMatch) {
            ReadPrefix(i, last, simple, failed);
        }
        if (failed || i >= last || t_[i].type != CssTokenType::Ident) {
            return false;
        }
        simple.name = t_[i].value;
        ++i;
        while (IsSpace(i, last)) {
            ++i;
        }
        if (i == last) {
            simple.match = AttributeMatch::Exists;
            return true;
        }
        if (IsDelim(t_[i], '=')) {
            simple.match = AttributeMatch::Equals;
            ++i;
        } else if (t_[i].type == CssTokenType::Delim && i + 1 < last && IsDelim(t_[i + 1], '=')) {
            switch (t_[i].delim) {
                case '~':
                    simple.match = AttributeMatch::Includes;
                    break;
                case '|':
                    simple.match = AttributeMatch::DashMatch;
                    break;
                case '^':
                    simple.match = AttributeMatch::Prefix;
                    break;
                case '$':
                    simple.match = AttributeMatch::Suffix;
                    break;
                case '*':
                    simple.match = AttributeMatch::Substring;
                    break;
                default:
                    return false;
            }
            i += 2;
        } else {
            return false;
        }
        while (IsSpace(i, last)) {
            ++i;
        }
        if (i == last ||
            (t_[i].type != CssTokenType::Ident && t_[i].type != CssTokenType::String)) {
            return false;
        }
        simple.value = t_[i].value;
        ++i;
        while (IsSpace(i, last)) {
            ++i;
        }
        if (i < last && t_[i].type == CssTokenType::Ident) {
            if (CssEqualsIgnoringAsciiCase(t_[i].value, "i")) {
                simple.valueCase = CaseSensitivity::AsciiInsensitive;
            } else if (!CssEqualsIgnoringAsciiCase(t_[i].value, "s")) {
                return false;
            }
            ++i;
            while (IsSpace(i, last)) {
                ++i;
            }
        }
        return i == last;
    }

    static bool NeverMatchingState(std::string_view name) {
        static constexpr std::string_view kStates[] = {
            "hover",         "focus",        "active",        "visited",    "focus-within",
            "focus-visible", "target",       "target-within", "checked",    "disabled",
            "enabled",       "default",      "indeterminate", "required",   "optional",
            "valid",         "invalid",      "read-only",     "read-write", "placeholder-shown",
            "in-range",      "out-of-range", "playing",       "paused",     "fullscreen",
            "user-invalid",  "user-valid",   "blank",         "current",    "past",
            "future",        "autofill",     "modal",         "defined"};
        for (const std::string_view state : kStates) {
            if (CssEqualsIgnoringAsciiCase(name, state)) {
                return true;
            }
        }
        return false;
    }

    static PseudoElement PseudoElementNamed(std::string_view name) {
        if (CssEqualsIgnoringAsciiCase(name, "before")) {
            return PseudoElement::Before;
        }
        if (CssEqualsIgnoringAsciiCase(name, "after")) {
            return PseudoElement::After;
        }
        if (CssEqualsIgnoringAsciiCase(name, "first-letter")) {
            return PseudoElement::FirstLetter;
        }
        if (CssEqualsIgnoringAsciiCase(name, "first-line")) {
            return PseudoElement::FirstLine;
        }
        return PseudoElement::None;
    }

    bool ParsePseudo(std::size_t& i, std::size_t last, std::vector<SimpleSelector>& simples,
                     PseudoElement* pseudoElement, InsideNot insideNot) {
        ++i;  // the colon
        const bool element = i < last && t_[i].type == CssTokenType::Colon;
        if (element) {
            ++i;
        }
        if (i >= last) {
            return false;
        }
        const CssToken& token = t_[i];
        if (token.type == CssTokenType::Ident) {
            const std::string_view name = token.value;
            const PseudoElement pseudo = PseudoElementNamed(name);
            // The four of CSS 2 may still be written with one colon.
            if (element || pseudo != PseudoElement::None) {
                if (pseudo == PseudoElement::None || pseudoElement == nullptr) {
                    return false;
                }
                *pseudoElement = pseudo;
                ++i;
                return true;
            }
            SimpleSelector simple;
            simple.kind = SimpleKind::PseudoClass;
            struct Named {
                std::string_view name;
                PseudoClass pseudo;
            };
            static constexpr Named kNamed[] = {
                {"first-child", PseudoClass::FirstChild},
                {"last-child", PseudoClass::LastChild},
                {"only-child", PseudoClass::OnlyChild},
                {"first-of-type", PseudoClass::FirstOfType},
                {"last-of-type", PseudoClass::LastOfType},
                {"only-of-type", PseudoClass::OnlyOfType},
                {"root", PseudoClass::Root},
                {"empty", PseudoClass::Empty},
                {"link", PseudoClass::Link},
                {"any-link", PseudoClass::Link},
            };
            bool known = false;
            for (const Named& named : kNamed) {
                if (CssEqualsIgnoringAsciiCase(name, named.name)) {
                    simple.pseudo = named.pseudo;
                    known = true;
                    break;
                }
            }
            if (!known) {
                if (!NeverMatchingState(name)) {
                    return false;
                }
                simple.pseudo = PseudoClass::Never;
            }
            simples.push_back(std::move(simple));
            ++i;
            return true;
        }
        if (token.type != CssTokenType::Function || element) {
            return false;
        }
        const std::size_t end = t_.SkipComponent(i);
        if (end > last || t_[end - 1].type != CssTokenType::CloseParen) {
            return false;
        }
        std::size_t argsFirst = i + 1;
        std::size_t argsLast = end - 1;
        Trim(argsFirst, argsLast);
        SimpleSelector simple;
        simple.kind = SimpleKind::PseudoClass;
        const std::string_view name = token.value;
        bool read = false;
        if (CssEqualsIgnoringAsciiCase(name, "not")) {
            simple.kind = SimpleKind::Not;
            read = insideNot == InsideNot::No && ParseNegation(argsFirst, argsLast, simple);
        } else if (CssEqualsIgnoringAsciiCase(name, "lang")) {
            simple.pseudo = PseudoClass::Lang;
            read = argsLast == argsFirst + 1 && (t_[argsFirst].type == CssTokenType::Ident ||
                                                 t_[argsFirst].type == CssTokenType::String);
            if (read) {
                simple.value = t_[argsFirst].value;
            }
        } else {
            struct Nth {
                std::string_view name;
                PseudoClass pseudo;
            };
            static constexpr Nth kNth[] = {
                {"nth-child", PseudoClass::NthChild},
                {"nth-last-child", PseudoClass::NthLastChild},
                {"nth-of-type", PseudoClass::NthOfType},
                {"nth-last-of-type", PseudoClass::NthLastOfType},
            };
            for (const Nth& nth : kNth) {
                if (CssEqualsIgnoringAsciiCase(name, nth.name)) {
                    simple.pseudo = nth.pseudo;
                    read = ParseNth(argsFirst, argsLast, simple.a, simple.b);
                    break;
                }
            }
        }
        if (!read) {
            return false;
        }
        simples.push_back(std::move(simple));
        i = end;
        return true;
    }

    bool ParseNegation(std::size_t first, std::size_t last, SimpleSelector& simple) {
        for (std::size_t start = first; start <= last;) {
            std::size_t end = NextComma(start, last);
            const std::size_t next = end + 1;
            std::size_t i = start;
            Trim(i, end);
            std::vector<SimpleSelector> compound;
            if (i == end || !ParseCompound(i, end, compound, nullptr, InsideNot::Yes) || i != end) {
                return false;
            }
            simple.negated.push_back(std::move(compound));
            start = next;
        }
        return !simple.negated.empty();
    }

    // "an+b", "odd", "even", as CSS Syntax reads them; white space inside is tolerated.
    bool ParseNth(std::size_t first, std::size_t last, int& a, int& b) const {
        std::string text;
        for (std::size_t i = first; i < last; ++i) {
            if (t_[i].type == CssTokenType::Whitespace) {
                continue;
            }
            if (t_[i].type != CssTokenType::Ident && t_[i].type != CssTokenType::Number &&
                t_[i].type != CssTokenType::Dimension && !IsDelim(t_[i], '+') &&
                !IsDelim(t_[i], '-')) {
                return false;
            }
            text += CssAsciiLower(t_.Slice(i, i + 1));
        }
        if (text == "odd") {
            a = 2;
            b = 1;
            return true;
        }
        if (text == "even") {
            a = 2;
            b = 0;
            return true;
        }
        const std::size_t n = text.find('n');
        if (n == std::string::npos) {
            a = 0;
            return ReadInteger(text, b);
        }
        const std::string_view before = std::string_view(text).substr(0, n);
        const std::string_view after = std::string_view(text).substr(n + 1);
        if (before.empty() || before == "+") {
            a = 1;
        } else if (before == "-") {
            a = -1;
        } else if (!ReadInteger(before, a)) {
            return false;
        }
        if (after.empty()) {
            b = 0;
            return true;
        }
        if (after[0] != '+' && after[0] != '-') {
            return false;
        }
        return ReadInteger(after, b);
    }

    static bool ReadInteger(std::string_view text, int& value) {
        bool negative = false;
        if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
            negative = text[0] == '-';
            text.remove_prefix(1);
        }
        if (text.empty() || text.size() > 9) {
            return false;
        }
        int result = 0;
        for (const char c : text) {
            if (c < '0' || c > '9') {
                return false;
            }
            result = result * 10 + (c - '0');
        }
        value = negative ? -result : result;
        return true;
    }

    const CssTokens& t_;
    const CssNamespaces& namespaces_;
};

// ---------------------------------------------------------------------------------------------
// Matching

bool IsSelectorSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool SameText(std::string_view a, std::string_view b, CaseSensitivity sensitivity) {
    return sensitivity == CaseSensitivity::Sensitive ? a == b : CssEqualsIgnoringAsciiCase(a, b);
}

bool MatchAttributeValue(const SimpleSelector& simple, std::string_view value) {
    const std::string_view wanted = simple.value;
    const CaseSensitivity cs = simple.valueCase;
    switch (simple.match) {
        case AttributeMatch::Exists:
            return true;
        case AttributeMatch::Equals:
            return SameText(value, wanted, cs);
        case AttributeMatch::Includes:
            if (wanted.empty() || std::any_of(wanted.begin(), wanted.end(),
                                              [](char c) { return IsSelectorSpace(c); })) {
                return false;
            }
            return AnyClassToken(
                value, [&](std::string_view token) { return SameText(token, wanted, cs); });
        case AttributeMatch::DashMatch:
            return SameText(value, wanted, cs) ||
                   (value.size() > wanted.size() && value[wanted.size()] == '-' &&
                    SameText(value.substr(0, wanted.size()), wanted, cs));
        case AttributeMatch::Prefix:
            return !wanted.empty() && value.size() >= wanted.size() &&
                   SameText(value.substr(0, wanted.size()), wanted, cs);
        case AttributeMatch::Suffix:
            return !wanted.empty() && value.size() >= wanted.size() &&
                   SameText(value.substr(value.size() - wanted.size()), wanted, cs);
        case AttributeMatch::Substring:
            if (wanted.empty() || value.size() < wanted.size()) {
                return false;
            }
            for (std::size_t i = 0; i + wanted.size() <= value.size(); ++i) {
                if (SameText(value.substr(i, wanted.size()), wanted, cs)) {
                    return true;
                }
            }
            return false;
    }
    return false;
}

bool MatchNamespace(const SimpleSelector& simple, const SelectorContext& context,
                    NameId namespaceUri) {
    switch (simple.ns) {
        case NamespaceMatch::Any:
            return true;
        case NamespaceMatch::None:
            return namespaceUri == kEmptyName;
        case NamespaceMatch::Specific:
            return simple.namespaceAtom < context.atoms.size() &&
                   context.atoms[simple.namespaceAtom] == namespaceUri;
    }
    return false;
}

bool NthMatches(int a, int b, std::int64_t position) {
    const std::int64_t offset = position - b;
    if (a == 0) {
        return offset == 0;
    }
    return offset % a == 0 && offset / a >= 0;
}

bool SameType(const DocumentTree& tree, NodeIndex x, NodeIndex y) {
    return tree.name(x).local == tree.name(y).local &&
           tree.name(x).namespaceUri == tree.name(y).namespaceUri;
}

// The element's 1-based position among its element siblings (of its type only, if asked),
// counted from the start or from the end.
enum class CountFrom : std::uint8_t { Start, End };
enum class CountOnly : std::uint8_t { All, SameType };
std::int64_t SiblingPosition(const DocumentTree& tree, NodeIndex element, CountFrom from,
                             CountOnly only) {
    std::int64_t position = 1;
    NodeIndex sibling = from == CountFrom::Start ? tree.PreviousElementSibling(element)
                                                 : tree.NextElementSibling(element);
    while (sibling != kNoNode) {
        if (only == CountOnly::All || SameType(tree, sibling, element)) {
            ++position;
        }
        sibling = from == CountFrom::Start ? tree.PreviousElementSibling(sibling)
                                           : tree.NextElementSibling(sibling);
    }
    return position;
}

bool LangMatches(const SimpleSelector& simple, const SelectorContext& context, NodeIndex element) {
    const DocumentTree& tree = *context.tree;
    for (NodeIndex e = element; e != kNoNode; e = tree.parent(e)) {
        std::optional<std::string_view> lang =
            FindAttribute(tree, e, context.xmlNamespace, context.langName);
        if (!lang) {
            lang = FindAttribute(tree, e, kEmptyName, context.langName);
        }
        if (!lang) {
            continue;
        }
        const std::string_view range = simple.value;
        return CssEqualsIgnoringAsciiCase(*lang, range) ||
               (lang->size() > range.size() && (*lang)[range.size()] == '-' && !range.empty() &&
                CssEqualsIgnoringAsciiCase(lang->substr(0, range.size()), range));
    }
    return false;
}

bool MatchPseudoClass(const SimpleSelector& simple, const SelectorContext& context,
                      NodeIndex element) {
    const DocumentTree& tree = *context.tree;
    switch (simple.pseudo) {
        case PseudoClass::FirstChild:
            return tree.PreviousElementSibling(element) == kNoNode;
        case PseudoClass::LastChild:
            return tree.NextElementSibling(element) == kNoNode;
        case PseudoClass::OnlyChild:
            return tree.PreviousElementSibling(element) == kNoNode &&
                   tree.NextElementSibling(element) == kNoNode;
        case PseudoClass::FirstOfType:
            return SiblingPosition(tree, element, CountFrom::Start, CountOnly::SameType) == 1;
        case PseudoClass::LastOfType:
            return SiblingPosition(tree, element, CountFrom::End, CountOnly::SameType) == 1;
        case PseudoClass::OnlyOfType:
            return SiblingPosition(tree, element, CountFrom::Start, CountOnly::SameType) == 1 &&
                   SiblingPosition(tree, element, CountFrom::End, CountOnly::SameType) == 1;
        case PseudoClass::NthChild:
            return NthMatches(simple.a, simple.b,
                              SiblingPosition(tree, element, CountFrom::Start, CountOnly::All));
        case PseudoClass::NthLastChild:
            return NthMatches(simple.a, simple.b,
                              SiblingPosition(tree, element, CountFrom::End, CountOnly::All));
        case PseudoClass::NthOfType:
            return NthMatches(
                simple.a, simple.b,
                SiblingPosition(tree, element, CountFrom::Start, CountOnly::SameType));
        case PseudoClass::NthLastOfType:
            return NthMatches(simple.a, simple.b,
                              SiblingPosition(tree, element, CountFrom::End, CountOnly::SameType));
        case PseudoClass::Lang:
            return LangMatches(simple, context, element);
        case PseudoClass::Root:
            return tree.parent(element) == kNoNode;
        case PseudoClass::Empty:
            for (NodeIndex child = tree.firstChild(element); child != kNoNode;
                 child = tree.nextSibling(child)) {
                if (tree.IsElement(child) || !tree.TextOf(child).empty()) {
                    return false;
                }
            }
            return true;
        case PseudoClass::Link:
            return tree.name(element).local == context.aName &&
                   FindAttribute(tree, element, kEmptyName, context.hrefName).has_value();
        case PseudoClass::Never:
            return false;
    }
    return false;
}

bool MatchSimples(const std::vector<SimpleSelector>& simples, const SelectorContext& context,
                  NodeIndex element);

bool MatchSimple(const SimpleSelector& simple, const SelectorContext& context, NodeIndex element) {
    const DocumentTree& tree = *context.tree;
    switch (simple.kind) {
        case SimpleKind::Type:
            return simple.nameAtom < context.atoms.size() &&
                   tree.name(element).local == context.atoms[simple.nameAtom] &&
                   MatchNamespace(simple, context, tree.name(element).namespaceUri);
        case SimpleKind::Universal:
            return MatchNamespace(simple, context, tree.name(element).namespaceUri);
        case SimpleKind::Id: {
            const auto id = FindAttribute(tree, element, kEmptyName, context.idName);
            return id && *id == simple.name;
        }
        case SimpleKind::Class: {
            const auto list = FindAttribute(tree, element, kEmptyName, context.className);
            return list && AnyClassToken(
                               *list, [&](std::string_view token) { return token == simple.name; });
        }
        case SimpleKind::Attribute: {
            if (simple.nameAtom >= context.atoms.size()) {
                return false;
            }
            const NameId local = context.atoms[simple.nameAtom];
            for (const TreeAttribute& attribute : tree.attributes(element)) {
                if (attribute.name.local == local &&
                    MatchNamespace(simple, context, attribute.name.namespaceUri) &&
                    MatchAttributeValue(simple, tree.ValueOf(attribute))) {
                    return true;
                }
            }
            return false;
        }
        case SimpleKind::PseudoClass:
            return MatchPseudoClass(simple, context, element);
        case SimpleKind::Not:
            for (const auto& argument : simple.negated) {
                if (MatchSimples(argument, context, element)) {
                    return false;
                }
            }
            return true;
    }
    return false;
}

bool MatchSimples(const std::vector<SimpleSelector>& simples, const SelectorContext& context,
                  NodeIndex element) {
    for (const SimpleSelector& simple : simples) {
        if (!MatchSimple(simple, context, element)) {
            return false;
        }
    }
    return true;
}

// A failure tells the caller how far up or back it may stop trying: a compound that fails
// against every ancestor fails for any higher one, so a descendant selector costs a walk up,
// not a walk per ancestor per compound.
enum class Match : std::uint8_t { Matches, FailsLocally, FailsAllSiblings, FailsCompletely };

Match MatchFrom(const Selector& selector, std::size_t index, const SelectorContext& context,
                NodeIndex element) {
    const CompoundSelector& compound = selector.compounds[index];
    if (!MatchSimples(compound.simples, context, element)) {
        return Match::FailsLocally;
    }
    if (index == 0) {
        return Match::Matches;
    }
    const DocumentTree& tree = *context.tree;
    switch (compound.combinator) {
        case Combinator::Descendant:
            for (NodeIndex up = tree.parent(element); up != kNoNode; up = tree.parent(up)) {
                const Match match = MatchFrom(selector, index - 1, context, up);
                if (match == Match::Matches || match == Match::FailsCompletely) {
                    return match;
                }
            }
            return Match::FailsCompletely;
        case Combinator::Child: {
            const NodeIndex up = tree.parent(element);
            if (up == kNoNode) {
                return Match::FailsCompletely;
            }
            return MatchFrom(selector, index - 1, context, up);
        }
        case Combinator::NextSibling: {
            const NodeIndex before = tree.PreviousElementSibling(element);
            if (before == kNoNode) {
                return Match::FailsAllSiblings;
            }
            return MatchFrom(selector, index - 1, context, before);
        }
        case Combinator::SubsequentSibling:
            for (NodeIndex before = tree.PreviousElementSibling(element); before != kNoNode;
                 before = tree.PreviousElementSibling(before)) {
                const Match match = MatchFrom(selector, index - 1, context, before);
                if (match != Match::FailsLocally) {
                    return match;
                }
            }
            return Match::FailsAllSiblings;
    }
    return Match::FailsCompletely;
}

void InternSimples(SelectorAtoms& atoms, std::vector<SimpleSelector>& simples) {
    for (SimpleSelector& simple : simples) {
        if (simple.kind == SimpleKind::Type || simple.kind == SimpleKind::Attribute) {
            simple.nameAtom = atoms.Intern(simple.name);
        }
        if (simple.ns == NamespaceMatch::Specific) {
            simple.namespaceAtom = atoms.Intern(simple.namespaceUri);
        }
        for (auto& argument : simple.negated) {
            InternSimples(atoms, argument);
        }
    }
}

}  // namespace

std::optional<std::vector<Selector>> ParseSelectorList(std::string_view text,
                                                       const CssNamespaces& namespaces) {
    const CssTokens tokens(text);
    if (tokens.size() == 0) {
        return std::nullopt;
    }
    return SelectorParser(tokens, namespaces).ParseList(0, tokens.size());
}

SelectorAtom SelectorAtoms::Intern(std::string_view text) {
    const auto found = index_.find(text);
    if (found != index_.end()) {
        return found->second;
    }
    const auto atom = static_cast<SelectorAtom>(texts_.size());
    texts_.emplace_back(text);
    index_.emplace(std::string(text), atom);
    return atom;
}

void SelectorAtoms::InternSelector(Selector& selector) {
    for (CompoundSelector& compound : selector.compounds) {
        InternSimples(*this, compound.simples);
    }
}

std::vector<NameId> SelectorAtoms::Bind(const DocumentTree& tree) const {
    std::vector<NameId> ids;
    ids.reserve(texts_.size());
    for (const std::string& text : texts_) {
        ids.push_back(tree.Find(text));
    }
    return ids;
}

SelectorContext SelectorContext::For(const DocumentTree& tree, std::span<const NameId> atoms) {
    SelectorContext context;
    context.tree = &tree;
    context.atoms = atoms;
    context.idName = tree.Find("id");
    context.className = tree.Find("class");
    context.hrefName = tree.Find("href");
    context.langName = tree.Find("lang");
    context.xmlNamespace = tree.Find(kXmlNamespace);
    context.aName = tree.Find("a");
    return context;
}

std::optional<std::string_view> FindAttribute(const DocumentTree& tree, NodeIndex element,
                                              NameId namespaceUri, NameId local) {
    if (local == DocumentTree::kNoName) {
        return std::nullopt;
    }
    for (const TreeAttribute& attribute : tree.attributes(element)) {
        if (attribute.name.local == local && attribute.name.namespaceUri == namespaceUri) {
            return tree.ValueOf(attribute);
        }
    }
    return std::nullopt;
}

bool MatchesSelector(const Selector& selector, const SelectorContext& context, NodeIndex element) {
    if (selector.compounds.empty() || element >= context.tree->size() ||
        !context.tree->IsElement(element)) {
        return false;
    }
    return MatchFrom(selector, selector.compounds.size() - 1, context, element) == Match::Matches;
}

bool MatchesSelector(const Selector& selector, const DocumentTree& tree, NodeIndex element) {
    Selector interned = selector;
    SelectorAtoms atoms;
    atoms.InternSelector(interned);
    const std::vector<NameId> ids = atoms.Bind(tree);
    return MatchesSelector(interned, SelectorContext::For(tree, ids), element);
}

}  // namespace quirelle
