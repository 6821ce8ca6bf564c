#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/document_tree.hpp"
#include "style/computed_style.hpp"
#include "style/css_sheet.hpp"
#include "style/rule_matching.hpp"
#include "style/sheet_cache.hpp"

namespace quirelle {

// Reads a member of the book by its path in the archive; nothing when there is no such member.
using MemberReader = std::function<std::optional<std::string>(std::string_view path)>;

// The path a reference in a document or sheet at `base` names: relative to the base's folder,
// with "." and ".." steps resolved and any fragment or query dropped. Nothing for a reference
// that leaves the archive (a scheme such as http:, or more ".." than there are folders).
std::optional<std::string> ResolveMemberPath(std::string_view base, std::string_view reference);

// The book's sheets for one document, in cascade order: each `link rel="stylesheet"` and
// `style` element as the document orders them, with the sheets a sheet imports before its own
// rules. A sheet that cannot be read is skipped; an import cycle is read once. A member sheet
// in `cache` is not read again, and one read is kept there. With `debugCss`, each sheet's text
// (read afresh) and then the rules (StyleRulesDump) are appended to the style dump.
std::vector<std::shared_ptr<const CssSheet>> DocumentSheets(const DocumentTree& tree,
                                                            std::string_view documentPath,
                                                            const MemberReader& read,
                                                            SheetCache* cache = nullptr,
                                                            bool debugCss = false);

// The style dump's list of rules in cascade order: "Element = <selectors>  ---- Raw =
// <declarations>" a line, the declarations as "property:value" joined by ";".
std::string StyleRulesDump(const std::vector<std::shared_ptr<const CssSheet>>& sheets);

// A computed style for every element of the tree, indexed by node (text nodes' entries are left
// at their defaults and are not meant to be read): the rules' declarations applied in cascade
// order over what each element inherits from its parent. The root's font size becomes the base
// of `rem`.
std::vector<ComputedStyle> ComputeStyles(const DocumentTree& tree, const RuleSet& rules,
                                         StyleContext context);

}  // namespace quirelle
