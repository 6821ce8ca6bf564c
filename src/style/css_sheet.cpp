#include "style/css_sheet.hpp"

#include <algorithm>
#include <cstdint>

#include "style/css_tokenizer.hpp"

namespace quirelle {

namespace {

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n\f");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n\f") - first + 1));
}

bool IsSpace(const CssToken& token) {
    return token.type == CssTokenType::Whitespace;
}

// ---------------------------------------------------------------------------------------------
// Media queries, for a screen of any size in light mode: the size features hold, whatever
// their value, because the reader lays a book out at any window size and restyling on resize
// is not worth a book's rarely-written breakpoints.

class MediaEvaluator {
  public:
    explicit MediaEvaluator(const CssTokens& tokens) : t_(tokens) {}

    bool ListHolds(std::size_t first, std::size_t last) const {
        Trim(first, last);
        if (first == last) {
            return true;
        }
        for (std::size_t start = first; start <= last;) {
            std::size_t end = start;
            while (end < last && t_[end].type != CssTokenType::Comma) {
                end = std::min(t_.SkipComponent(end), last);
            }
            if (QueryHolds(start, end)) {
                return true;
            }
            start = end + 1;
        }
        return false;
    }

  private:
    static constexpr int kMaxDepth = 16;

    void Trim(std::size_t& first, std::size_t& last) const {
        while (first < last && IsSpace(t_[first])) {
            ++first;
        }
        while (last > first && IsSpace(t_[last - 1])) {
            --last;
        }
    }
    void SkipSpace(std::size_t& i, std::size_t last) const {
        while (i < last && IsSpace(t_[i])) {
            ++i;
        }
    }
    bool IsIdent(std::size_t i, std::size_t last, std::string_view word) const {
        return i < last && t_[i].type == CssTokenType::Ident &&
               CssEqualsIgnoringAsciiCase(t_[i].value, word);
    }

    bool QueryHolds(std::size_t first, std::size_t last) const {
        Trim(first, last);
        if (first == last) {
            return false;
        }
        std::size_t i = first;
        std::size_t afterNot = i + 1;
        SkipSpace(afterNot, last);
        const bool notCondition = IsIdent(i, last, "not") && afterNot < last &&
                                  t_[afterNot].type == CssTokenType::OpenParen;
        if (t_[i].type == CssTokenType::OpenParen || notCondition) {
            bool holds = false;
            return Condition(i, last, 0, holds) && holds;
        }
        bool negate = false;
        if (IsIdent(i, last, "not") || IsIdent(i, last, "only")) {
            negate = IsIdent(i, last, "not");
            ++i;
            SkipSpace(i, last);
        }
        if (i >= last || t_[i].type != CssTokenType::Ident) {
            return false;
        }
        const std::string type = CssAsciiLower(t_[i].value);
        if (type == "not" || type == "only" || type == "and" || type == "or" || type == "layer") {
            return false;
        }
        bool holds = type == "all" || type == "screen";
        ++i;
        SkipSpace(i, last);
        if (i < last) {
            if (!IsIdent(i, last, "and")) {
                return false;
            }
            ++i;
            SkipSpace(i, last);
            bool condition = false;
            if (i == last || !Condition(i, last, 0, condition)) {
                return false;
            }
            holds = holds && condition;
        }
        return negate ? !holds : holds;
    }

    // "(a) and (b)", "(a) or (b)", "not (a)", each term a feature or a nested condition.
    bool Condition(std::size_t i, std::size_t last, int depth, bool& holds) const {
        if (depth > kMaxDepth) {
            return false;
        }
        SkipSpace(i, last);
        if (IsIdent(i, last, "not")) {
            ++i;
            bool term = false;
            SkipSpace(i, last);
            if (!Term(i, last, depth, term)) {
                return false;
            }
            SkipSpace(i, last);
            holds = !term;
            return i == last;
        }
        enum class Joiner : std::uint8_t { Unknown, And, Or };
        Joiner joiner = Joiner::Unknown;
        bool all = true;
        bool any = false;
        while (true) {
            bool term = false;
            if (!Term(i, last, depth, term)) {
                return false;
            }
            all = all && term;
            any = any || term;
            SkipSpace(i, last);
            if (i == last) {
                break;
            }
            const Joiner next = IsIdent(i, last, "and")  ? Joiner::And
                                : IsIdent(i, last, "or") ? Joiner::Or
                                                         : Joiner::Unknown;
            if (next == Joiner::Unknown || (joiner != Joiner::Unknown && next != joiner)) {
                return false;
            }
            joiner = next;
            ++i;
            SkipSpace(i, last);
        }
        holds = joiner == Joiner::Or ? any : all;
        return true;
    }

    bool Term(std::size_t& i, std::size_t last, int depth, bool& holds) const {
        if (i >= last || t_[i].type != CssTokenType::OpenParen) {
            return false;
        }
        const std::size_t end = t_.SkipComponent(i);
        if (end > last || t_[end - 1].type != CssTokenType::CloseParen) {
            return false;
        }
        std::size_t first = i + 1;
        std::size_t inner = end - 1;
        i = end;
        Trim(first, inner);
        if (first == inner) {
            return false;
        }
        if (t_[first].type == CssTokenType::OpenParen || IsIdent(first, inner, "not")) {
            return Condition(first, inner, depth + 1, holds);
        }
        holds = FeatureHolds(first, inner);
        return true;
    }

    bool FeatureHolds(std::size_t first, std::size_t last) const {
        // "(name)", "(name: value)", or a range such as "(width >= 30em)" or
        // "(20em < width < 60em)": the feature is the one ident among them we know.
        std::string name;
        std::string value;
        for (std::size_t i = first; i < last; ++i) {
            if (t_[i].type != CssTokenType::Ident) {
                continue;
            }
            if (name.empty()) {
                name = CssAsciiLower(t_[i].value);
            } else if (value.empty()) {
                value = CssAsciiLower(t_[i].value);
            }
        }
        if (name.starts_with("min-") || name.starts_with("max-")) {
            name = name.substr(4);
        }
        static constexpr std::string_view kSizes[] = {
            "width",         "height",       "device-width",
            "device-height", "aspect-ratio", "device-aspect-ratio",
            "orientation",   "resolution",   "color"};
        for (const std::string_view size : kSizes) {
            if (name == size) {
                return true;
            }
        }
        if (name == "prefers-color-scheme") {
            return value.empty() || value == "light";
        }
        return false;
    }

    const CssTokens& t_;
};

// ---------------------------------------------------------------------------------------------
// The sheet

enum class Nesting : std::uint8_t { TopLevel, InBlock };

class SheetParser {
  public:
    explicit SheetParser(std::string_view text) : t_(text) {}

    CssSheet Run() {
        ParseRules(0, t_.size(), 0, Nesting::TopLevel);
        return std::move(sheet_);
    }

  private:
    std::string_view BlockText(std::size_t curly, std::size_t blockEnd) const {
        const std::size_t start = t_[curly].end;
        std::size_t stop = start;
        if (blockEnd > curly + 1) {
            const CssToken& lastToken = t_[blockEnd - 1];
            stop = lastToken.type == CssTokenType::CloseCurly ? lastToken.start : lastToken.end;
        }
        return t_.source().substr(start, stop - start);
    }

    void ParseRules(std::size_t i, std::size_t last, std::size_t depth, Nesting nesting) {
        while (i < last) {
            const CssToken& token = t_[i];
            if (IsSpace(token) || token.type == CssTokenType::Cdo ||
                token.type == CssTokenType::Cdc) {
                ++i;
                continue;
            }
            if (token.type == CssTokenType::AtKeyword) {
                i = AtRule(i, last, depth, nesting);
                continue;
            }
            // A qualified rule: its prelude runs to the "{" of its block.
            const std::size_t first = i;
            while (i < last && t_[i].type != CssTokenType::OpenCurly) {
                i = std::min(t_.SkipComponent(i), last);
            }
            if (i >= last) {
                return;  // no block before the end: the prelude is dropped
            }
            const std::size_t curly = i;
            const std::size_t blockEnd = std::min(t_.SkipComponent(curly), last);
            i = blockEnd;
            rulesStarted_ = true;
            if (sheet_.rules.size() >= kMaxCssRules) {
                continue;
            }
            auto selectors = ParseSelectorList(t_.Slice(first, curly), sheet_.namespaces);
            if (!selectors) {
                continue;
            }
            CssStyleRule rule;
            rule.selectors = std::move(*selectors);
            rule.declarations = ParseDeclarationBlock(BlockText(curly, blockEnd));
            rule.selectorText = Trimmed(t_.Slice(first, curly));
            if (!rule.declarations.empty()) {
                sheet_.rules.push_back(std::move(rule));
            }
        }
    }

    // Reads the at-rule at i; returns the index past it.
    std::size_t AtRule(std::size_t i, std::size_t last, std::size_t depth, Nesting nesting) {
        const std::string name = CssAsciiLower(t_[i].value);
        const std::size_t preludeFirst = i + 1;
        std::size_t k = preludeFirst;
        while (k < last && t_[k].type != CssTokenType::Semicolon &&
               t_[k].type != CssTokenType::OpenCurly) {
            k = std::min(t_.SkipComponent(k), last);
        }
        const std::size_t preludeLast = k;
        const bool hasBlock = k < last && t_[k].type == CssTokenType::OpenCurly;
        const std::size_t end =
            hasBlock ? std::min(t_.SkipComponent(k), last) : std::min(k + 1, last);
        const bool topLevel = nesting == Nesting::TopLevel;
        if (name == "charset") {
            return end;
        }
        if (name == "import") {
            if (topLevel && !hasBlock && !rulesStarted_ && !namespacesStarted_) {
                Import(preludeFirst, preludeLast);
            }
            return end;
        }
        if (name == "namespace") {
            if (topLevel && !hasBlock && !rulesStarted_) {
                Namespace(preludeFirst, preludeLast);
                namespacesStarted_ = true;
            }
            return end;
        }
        rulesStarted_ = true;
        if (!hasBlock) {
            return end;
        }
        if (name == "media") {
            if (depth < kMaxMediaNesting &&
                MediaEvaluator(t_).ListHolds(preludeFirst, preludeLast)) {
                ParseRules(k + 1, end, depth + 1, Nesting::InBlock);
            }
        } else if (name == "font-face") {
            auto descriptors = ParseDeclarationBlock(BlockText(k, end));
            if (!descriptors.empty() && sheet_.fontFaces.size() < kMaxCssRules) {
                sheet_.fontFaces.push_back(std::move(descriptors));
            }
        }
        // @page, @supports, @keyframes and the rest are not applied.
        return end;
    }

    // The URL of url(x), url("x") or "x" at i, if that is what stands there.
    bool ReadUrl(std::size_t& i, std::size_t last, std::string& url) const {
        if (i >= last) {
            return false;
        }
        const CssToken& token = t_[i];
        if (token.type == CssTokenType::Url || token.type == CssTokenType::String) {
            url = token.value;
            ++i;
            return true;
        }
        if (token.type == CssTokenType::Function &&
            CssEqualsIgnoringAsciiCase(token.value, "url")) {
            const std::size_t end = t_.SkipComponent(i);
            std::size_t k = i + 1;
            while (k < end && IsSpace(t_[k])) {
                ++k;
            }
            if (k >= end || t_[k].type != CssTokenType::String) {
                return false;
            }
            url = t_[k].value;
            ++k;
            while (k < end && IsSpace(t_[k])) {
                ++k;
            }
            if (end > last || k != end - 1 || t_[k].type != CssTokenType::CloseParen) {
                return false;
            }
            i = end;
            return true;
        }
        return false;
    }

    void Import(std::size_t i, std::size_t last) {
        while (i < last && IsSpace(t_[i])) {
            ++i;
        }
        std::string url;
        if (!ReadUrl(i, last, url) || url.empty()) {
            return;
        }
        if (MediaEvaluator(t_).ListHolds(i, last)) {
            sheet_.imports.push_back(std::move(url));
        }
    }

    void Namespace(std::size_t i, std::size_t last) {
        while (i < last && IsSpace(t_[i])) {
            ++i;
        }
        std::string prefix;
        bool hasPrefix = false;
        if (i < last && t_[i].type == CssTokenType::Ident) {
            prefix = t_[i].value;
            hasPrefix = true;
            ++i;
            while (i < last && IsSpace(t_[i])) {
                ++i;
            }
        }
        std::string uri;
        if (!ReadUrl(i, last, uri)) {
            return;
        }
        while (i < last && IsSpace(t_[i])) {
            ++i;
        }
        if (i != last) {
            return;
        }
        if (hasPrefix) {
            sheet_.namespaces.Declare(std::move(prefix), std::move(uri));
        } else {
            sheet_.namespaces.defaultUri = std::move(uri);
        }
    }

    CssTokens t_;
    CssSheet sheet_;
    // @import and @namespace count only before any other rule, as browsers take them.
    bool rulesStarted_ = false;
    bool namespacesStarted_ = false;
};

}  // namespace

CssSheet ParseCssSheet(std::string_view text) {
    return SheetParser(text).Run();
}

bool MediaQueryListHolds(std::string_view text) {
    const CssTokens tokens(text);
    return MediaEvaluator(tokens).ListHolds(0, tokens.size());
}

}  // namespace quirelle
