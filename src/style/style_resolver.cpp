#include "style/style_resolver.hpp"

#include <algorithm>
#include <set>

#include "style/css_dump.hpp"

namespace quirelle {

namespace {

// Against hostile books: a chain of imports deeper than this is not followed further.
constexpr int kMaxImportDepth = 16;

bool HasToken(std::string_view list, std::string_view token) {
    return AnyClassToken(list, [&](std::string_view word) {
        return word.size() == token.size() &&
               std::equal(word.begin(), word.end(), token.begin(), [](char a, char b) {
                   return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
               });
    });
}

class SheetCollector {
  public:
    SheetCollector(const MemberReader& read, SheetCache* cache, bool debugCss,
                   std::vector<std::shared_ptr<const CssSheet>>& sheets)
        : read_(read), cache_(debugCss ? nullptr : cache), debugCss_(debugCss), sheets_(sheets) {}

    // `name` is the sheet's member path, or "CDATA" for a style element's text.
    std::shared_ptr<const CssSheet> AddText(std::string_view text, std::string_view name,
                                            std::string_view basePath, int depth) {
        DumpCss(debugCss_, [&] {
            return "----- " + std::string(name) + " ---------\n" + std::string(text) +
                   "\n---------------\n";
        });
        auto sheet = std::make_shared<const CssSheet>(ParseCssSheet(text));
        Add(sheet, basePath, depth);
        return sheet;
    }

    void AddMember(const std::string& path, int depth) {
        if (depth > kMaxImportDepth || !read_ || !visiting_.insert(path).second) {
            return;
        }
        if (std::shared_ptr<const CssSheet> kept = cache_ ? cache_->Find(path) : nullptr) {
            Add(kept, path, depth);
        } else if (const std::optional<std::string> text = read_(path)) {
            std::shared_ptr<const CssSheet> sheet = AddText(*text, path, path, depth);
            if (cache_) {
                cache_->Keep(path, std::move(sheet));
            }
        }
        visiting_.erase(path);
    }

  private:
    // A sheet's imports come before its own rules.
    void Add(const std::shared_ptr<const CssSheet>& sheet, std::string_view basePath, int depth) {
        for (const std::string& import : sheet->imports) {
            const std::optional<std::string> path = ResolveMemberPath(basePath, import);
            if (path) {
                AddMember(*path, depth + 1);
            }
        }
        sheets_.push_back(sheet);
    }

    const MemberReader& read_;
    SheetCache* cache_ = nullptr;
    bool debugCss_ = false;
    std::vector<std::shared_ptr<const CssSheet>>& sheets_;
    // The sheets on the way from the document to the one being read: an import of one of them
    // is a cycle.
    std::set<std::string> visiting_;
};

void CollectSheets(const DocumentTree& tree, NodeIndex node, std::string_view documentPath,
                   SheetCollector& collector) {
    for (NodeIndex child = tree.firstChild(node); child != kNoNode;
         child = tree.nextSibling(child)) {
        if (!tree.IsElement(child)) {
            continue;
        }
        const std::string_view name = tree.LocalName(child);
        const bool html = tree.IsHtml(child);
        const std::optional<std::string_view> media = tree.Attribute(child, "media");
        const bool forScreen = !media || MediaQueryListHolds(*media);
        if (html && name == "link") {
            const std::optional<std::string_view> href = tree.Attribute(child, "href");
            if (forScreen && href && HasToken(tree.AttributeValue(child, "rel"), "stylesheet") &&
                !HasToken(tree.AttributeValue(child, "rel"), "alternate")) {
                if (const std::optional<std::string> path =
                        ResolveMemberPath(documentPath, *href)) {
                    collector.AddMember(*path, 0);
                }
            }
            continue;
        }
        if (name == "style") {
            if (forScreen) {
                std::string text;
                for (NodeIndex part = tree.firstChild(child); part != kNoNode;
                     part = tree.nextSibling(part)) {
                    text += tree.TextOf(part);
                }
                collector.AddText(text, "CDATA", documentPath, 0);
            }
            continue;
        }
        CollectSheets(tree, child, documentPath, collector);
    }
}

}  // namespace

std::optional<std::string> ResolveMemberPath(std::string_view base, std::string_view reference) {
    const std::size_t end = reference.find_first_of("#?");
    if (end != std::string_view::npos) {
        reference = reference.substr(0, end);
    }
    // A scheme ("http:", "data:") names no member; a drive-like "c:" does not occur in books.
    const std::size_t colon = reference.find(':');
    if (colon != std::string_view::npos && reference.find('/') > colon) {
        return std::nullopt;
    }
    std::vector<std::string_view> steps;
    if (!reference.starts_with('/')) {
        const std::size_t slash = base.rfind('/');
        std::string_view folder =
            slash == std::string_view::npos ? std::string_view() : base.substr(0, slash);
        while (!folder.empty()) {
            const std::size_t cut = folder.find('/');
            steps.push_back(folder.substr(0, cut));
            folder = cut == std::string_view::npos ? std::string_view() : folder.substr(cut + 1);
        }
    }
    while (!reference.empty()) {
        const std::size_t cut = reference.find('/');
        const std::string_view step = reference.substr(0, cut);
        reference = cut == std::string_view::npos ? std::string_view() : reference.substr(cut + 1);
        if (step.empty() || step == ".") {
            continue;
        }
        if (step == "..") {
            if (steps.empty()) {
                return std::nullopt;
            }
            steps.pop_back();
            continue;
        }
        steps.push_back(step);
    }
    if (steps.empty()) {
        return std::nullopt;
    }
    std::string path;
    for (const std::string_view step : steps) {
        if (!path.empty()) {
            path += '/';
        }
        path += step;
    }
    return path;
}

std::vector<std::shared_ptr<const CssSheet>> DocumentSheets(const DocumentTree& tree,
                                                            std::string_view documentPath,
                                                            const MemberReader& read,
                                                            SheetCache* cache, bool debugCss) {
    std::vector<std::shared_ptr<const CssSheet>> sheets;
    if (tree.root() == kNoNode) {
        return sheets;
    }
    SheetCollector collector(read, cache, debugCss, sheets);
    // The root itself may be a style element only in a document of nothing else.
    CollectSheets(tree, tree.root(), documentPath, collector);
    DumpCss(debugCss, [&] { return StyleRulesDump(sheets); });
    return sheets;
}

std::string StyleRulesDump(const std::vector<std::shared_ptr<const CssSheet>>& sheets) {
    std::string dump = "------ Styles -------\n";
    for (const auto& sheet : sheets) {
        for (const CssStyleRule& rule : sheet->rules) {
            dump += "Element = " + rule.selectorText + "  ---- Raw = ";
            for (std::size_t i = 0; i < rule.declarations.size(); ++i) {
                const CssDeclaration& declaration = rule.declarations[i];
                dump += (i == 0 ? "" : ";") + declaration.property + ":" + declaration.value +
                        (declaration.important ? "!important" : "");
            }
            dump += "\n";
        }
    }
    return dump;
}

std::vector<ComputedStyle> ComputeStyles(const DocumentTree& tree, const RuleSet& rules,
                                         StyleContext context) {
    std::vector<ComputedStyle> styles(tree.size());
    if (tree.root() == kNoNode) {
        return styles;
    }
    RuleMatcher matcher(rules, tree);
    MatchedDeclarations matched;
    const ComputedStyle initial = InitialStyle(context);
    // Parents come before their children in node order, so one pass in that order sees every
    // parent's style settled.
    for (NodeIndex node = 0; node < tree.size(); ++node) {
        if (!tree.IsElement(node)) {
            continue;
        }
        const NodeIndex parent = tree.parent(node);
        const ComputedStyle& inherited = parent == kNoNode ? initial : styles[parent];
        ComputedStyle& style = styles[node];
        style = parent == kNoNode ? initial : InheritedStyle(inherited);
        matcher.Match(node, matched);
        ApplyDeclarations(style, matched.ordered, inherited, context);
        if (parent == kNoNode) {
            context.rootFontSize = style.fontSize;
        }
    }
    return styles;
}

}  // namespace quirelle
