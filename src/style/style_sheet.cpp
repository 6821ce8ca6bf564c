#include "style/style_sheet.hpp"

#include "style/css_dump.hpp"

namespace quirelle {

namespace {

// Cuts `text` at any of `separators`; a run of separators is one cut, and no token is empty.
template <typename Each>
void ForEachToken(std::string_view text, std::string_view separators, Each each) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(separators, at);
        if (start == std::string_view::npos) {
            return;
        }
        const std::size_t end = text.find_first_of(separators, start);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        each(text.substr(start, stop - start));
        at = stop;
    }
}

std::string ParsedRuleLine(const StyleRule& rule) {
    return "Element = " + rule.Element + " - Font = " + rule.Font +
           " - Fontsize = " + rule.Fontsize + " Align = " + rule.Align + " Deko = " + rule.Deko +
           " Weight = " + rule.Weight + " Style = " + rule.Style + " Color = " + rule.Color +
           " Pic_align = " + rule.Pic_Align + " BGcolor = " + rule.BGcolor +
           " BGimg = " + rule.BGimg + " BGRepeat = " + rule.BGRepeat + "\n";
}

}  // namespace

std::string StripStyleText(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (text.compare(at, 2, "/*") == 0) {
            const std::size_t end = text.find("*/", at + 2);
            at = end == std::string_view::npos ? text.size() : end + 2;
            continue;
        }
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x21 && byte <= 0x7E) {
            kept += static_cast<char>(byte);
        }
        ++at;
    }
    return kept;
}

void ParseDeclarations(StyleRule& rule) {
    struct Property {
        std::string_view name;
        std::string StyleRule::*field;
    };
    static constexpr Property kProperties[] = {
        {"text-align", &StyleRule::Align},
        {"font-family", &StyleRule::Font},
        {"font-size", &StyleRule::Fontsize},
        {"text-decoration", &StyleRule::Deko},
        {"font-weight", &StyleRule::Weight},
        {"font-style", &StyleRule::Style},
        {"color", &StyleRule::Color},
        {"align", &StyleRule::Pic_Align},
        {"background-color", &StyleRule::BGcolor},
        {"background-image", &StyleRule::BGimg},
        {"background-repeat", &StyleRule::BGRepeat},
    };
    // Names and values alternate; a value goes to the property its name marked, if any.
    const std::string raw = rule.Raw;
    bool name = true;
    std::string StyleRule::*marked = nullptr;
    ForEachToken(raw, ":;", [&](std::string_view token) {
        if (name) {
            marked = nullptr;
            for (const Property& property : kProperties) {
                if (property.name == token) {
                    marked = property.field;
                }
            }
        } else if (marked != nullptr) {
            rule.*marked = token;
            marked = nullptr;
        }
        name = !name;
    });
}

void StyleSheet::Clear() {
    rules_.clear();
    firstRuleOf_.clear();
    styleBlocksRead_.clear();
}

void StyleSheet::ParseStyleSheet(std::string_view text, bool debugCss) {
    const std::string stripped = StripStyleText(text);
    DumpCss(debugCss, [&] { return "--------\n" + stripped + "\n"; });
    SplitStyleRules(stripped, debugCss);
}

void StyleSheet::AddStyleBlock(std::string_view text, bool debugCss) {
    // Every loading pass of a document meets its style elements again; their rules are in the
    // table already, and adding them again would only fill it.
    if (!styleBlocksRead_.emplace(text).second) {
        return;
    }
    DumpCss(debugCss,
            [&] { return "----- CDATA ---------\n" + std::string(text) + "\n---------------\n"; });
    ParseStyleSheet(text, debugCss);
}

void StyleSheet::SplitStyleRules(std::string_view stripped, bool debugCss) {
    // Selector lists and declaration blocks alternate, starting afresh with each text; a selector
    // list without a block after it makes no rule.
    bool selector = true;
    StyleRule rule;
    ForEachToken(stripped, "{}", [&](std::string_view token) {
        if (selector) {
            rule = StyleRule{};
            rule.Element = token;
        } else {
            rule.Raw = token;
            ParseDeclarations(rule);
            AddRule(std::move(rule));
        }
        selector = !selector;
    });
    DumpCss(debugCss, [&] {
        std::string dump = "------ Styles -------\n";
        for (const StyleRule& each : rules_) {
            dump += "Element = " + each.Element + "  ---- Raw = " + each.Raw + "\n";
        }
        return dump;
    });
}

void StyleSheet::AddRule(StyleRule rule) {
    if (rules_.size() >= kMaxStyleRules) {
        return;
    }
    const int index = static_cast<int>(rules_.size());
    rules_.push_back(std::move(rule));
    ForEachToken(rules_.back().Element, ",;", [&](std::string_view selector) {
        firstRuleOf_.try_emplace(std::string(selector), index);
    });
}

void StyleSheet::ParseAllRules(std::string_view fontFamily, bool debugCss) const {
    DumpCss(debugCss, [&] {
        std::string dump = " -- Font = " + std::string(fontFamily) + "\n";
        dump += "-------------  Geparst ----------------------------\n";
        for (const StyleRule& rule : rules_) {
            dump += ParsedRuleLine(rule);
        }
        return dump;
    });
}

int StyleSheet::FindStyleRule(std::string_view key, bool debugCss) const {
    const auto found = firstRuleOf_.find(key);
    const int index = found == firstRuleOf_.end() ? -1 : found->second;
    DumpCss(debugCss, [&] {
        return "--------------    Auswahl  " +
               std::to_string(index < 0 ? styleRuleCount() : index) + " von " +
               std::to_string(styleRuleCount()) + "   ----------------\n";
    });
    return index;
}

}  // namespace quirelle
