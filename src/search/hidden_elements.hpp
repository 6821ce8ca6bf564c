#pragma once

#include <memory>
#include <vector>

#include "document/document_tree.hpp"
#include "style/css_sheet.hpp"
#include "style/selector.hpp"

namespace quirelle {

// Which elements of a document are not shown, decided without the cascade: by name (head,
// script, style, template and the rest HTML never draws), by the `hidden` attribute, by a
// `style` attribute saying `display: none`, and by the rules of the book's sheets that say it.
// Only those rules are kept and matched: a search need not compute every element's style.
class HiddenElements {
  public:
    // Takes the display:none rules of a document's sheets, then binds them to its tree. The
    // tree must outlive the calls to IsHidden that follow.
    void Prepare(const std::vector<std::shared_ptr<const CssSheet>>& sheets,
                 const DocumentTree& tree);

    bool IsHidden(const DocumentTree& tree, NodeIndex element) const;

  private:
    SelectorAtoms atoms_;
    std::vector<Selector> selectors_;
    std::vector<NameId> boundAtoms_;
    SelectorContext context_;
    // The tree's ids of the names never shown that it uses.
    std::vector<NameId> neverShown_;
    NameId hiddenName_ = DocumentTree::kNoName;
    NameId styleName_ = DocumentTree::kNoName;
};

}  // namespace quirelle
