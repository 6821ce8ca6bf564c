#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "style/style_rule.hpp"

namespace quirelle {

// Against a hostile sheet only: far beyond any real book. Rules past it are dropped.
inline constexpr std::size_t kMaxStyleRules = 200'000;

// The text of a sheet as the reader keeps it: comments (from "/*" to the next "*/", or to the
// end of an unclosed one) are removed, and so is every byte outside 0x21..0x7E, blanks included
// ("Times New Roman" becomes "TimesNewRoman"; the family names are restored from that).
std::string StripStyleText(std::string_view text);

// Fills the value fields of a rule from its Raw text. Property names are compared exactly; a
// field whose property does not occur keeps what it held, so parsing twice changes nothing.
void ParseDeclarations(StyleRule& rule);

// The rule table of a book: every rule of its sheets and style elements, in the order read. A
// lookup finds the first rule whose selector list holds the key exactly.
class StyleSheet {
  public:
    // Empties the table (a new book).
    void Clear();

    // Strips the text and appends its rules.
    void ParseStyleSheet(std::string_view text, bool debugCss);

    // A style element's text: added once per book, however often its document is loaded.
    void AddStyleBlock(std::string_view text, bool debugCss);

    // The value fields are parsed as each rule is read; this only writes the dump of the parsed
    // table, where it is asked for. `fontFamily` is the current style's family.
    void ParseAllRules(std::string_view fontFamily, bool debugCss) const;

    // The index of the first rule whose selector list (cut at "," and ";") holds `key`, or -1.
    int FindStyleRule(std::string_view key, bool debugCss) const;

    const std::vector<StyleRule>& rules() const { return rules_; }
    int styleRuleCount() const { return static_cast<int>(rules_.size()); }

  private:
    void SplitStyleRules(std::string_view stripped, bool debugCss);
    void AddRule(StyleRule rule);

    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::vector<StyleRule> rules_;
    // Each selector with the first rule that holds it: the lookup every element of every redraw
    // makes costs one hash probe rather than a walk over the table.
    std::unordered_map<std::string, int, TextHash, std::equal_to<>> firstRuleOf_;
    std::unordered_set<std::string> styleBlocksRead_;
};

}  // namespace quirelle
