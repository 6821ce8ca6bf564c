// Notes beside their links: a note reference shows the note's text in a popover, laid out by the
// same engine as the page, without leaving the page.
#include <algorithm>
#include <array>
#include <string_view>

#include "document/tree_markup.hpp"
#include "package/archive.hpp"
#include "package/package_names.hpp"
#include "paint/page_painter.hpp"
#include "platform/cairo_handles.hpp"
#include "view/document_view.hpp"

namespace quirelle {

namespace {

// The note's column, and the most of it the popover shows before it scrolls.
constexpr double kNoteWidth = 380.0;
constexpr double kNoteMostHeight = 320.0;

// The `epub:type` values that make an element a note.
constexpr std::array<std::string_view, 4> kNoteTypes = {"footnote", "endnote", "rearnote", "note"};

bool HasToken(std::string_view list, std::string_view token) {
    while (!list.empty()) {
        const std::size_t start = list.find_first_not_of(" \t\n\r");
        if (start == std::string_view::npos) {
            return false;
        }
        list.remove_prefix(start);
        const std::size_t end = std::min(list.find_first_of(" \t\n\r"), list.size());
        if (list.substr(0, end) == token) {
            return true;
        }
        list.remove_prefix(end);
    }
    return false;
}

std::string_view EpubTypeOf(const DocumentTree& tree, NodeIndex element) {
    return tree.AttributeNS(element, kOpsNamespace, "type").value_or(std::string_view());
}

// Whether the element is a note by what it is: an aside, or marked as a kind of note.
bool IsNoteElement(const DocumentTree& tree, NodeIndex element) {
    if (tree.IsHtml(element) && tree.LocalName(element) == "aside") {
        return true;
    }
    const std::string_view types = EpubTypeOf(tree, element);
    return std::any_of(kNoteTypes.begin(), kNoteTypes.end(),
                       [&](std::string_view type) { return HasToken(types, type); });
}

}  // namespace

bool DocumentView::ShowNote(const LinkRecord& link) {
    DocumentViewData& data = *data_;
    const std::size_t hash = link.Hlink.find('#');
    if (!data.shown || hash == std::string::npos || hash + 1 == link.Hlink.size()) {
        return false;
    }
    const DocumentTree& here = data.shown->tree;
    const bool noteref = link.element < here.size() && here.IsElement(link.element) &&
                         HasToken(EpubTypeOf(here, link.element), "noteref");

    // The document the note stands in: the one on display, or another, parsed on its own.
    const std::string_view written = std::string_view(link.Hlink).substr(0, hash);
    DocumentTree other;
    const DocumentTree* tree = &here;
    std::string path = data.shownPath;
    if (!written.empty()) {
        const int row = DocumentRowOf(written);
        ArchiveBuffer text = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);
        if (row < 0 || !LoadReadingOrderItem(row, data.book, text, DebugSwitches{})) {
            return false;
        }
        other = DocumentTree::Parse(text.Text());
        tree = &other;
        path = data.book.documents[static_cast<std::size_t>(row)].href;
    }
    const NodeIndex element =
        tree->FindId(PercentDecoded(std::string_view(link.Hlink).substr(hash + 1)));
    if (element == kNoNode || !(noteref || IsNoteElement(*tree, element))) {
        return false;
    }

    // The note alone on a page of its own, with its document's head for the book's sheets.
    std::string page = "<html xmlns=\"http://www.w3.org/1999/xhtml\">";
    for (NodeIndex child = tree->firstChild(tree->root()); child != kNoNode;
         child = tree->nextSibling(child)) {
        if (tree->IsElement(child) && tree->LocalName(child) == "head") {
            page += MarkupOf(*tree, child);
        }
    }
    page += "<body>" + MarkupOf(*tree, element) + "</body></html>";
    CairoSurface scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    CairoContext cr(cairo_create(scratch.get()));
    data.note =
        BuildDocumentLayout(page, path, StyleInputsFor(frontend_.CurrentSettings()), data.fonts,
                            cr.get(), kNoteWidth, kNoteMostHeight, PictureSizes());
    data.noteTarget = link.Hlink;

    NotePlacement placement;
    placement.linkX = link.x1;
    placement.linkY = link.y1;
    placement.linkWidth = link.x2 - link.x1;
    placement.linkHeight = link.y2 - link.y1;
    placement.width = kNoteWidth;
    placement.height = data.note->page.height;
    frontend_.ShowNote(placement);
    return true;
}

void DocumentView::PaintNote(cairo_t* cr, double width, double height) {
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_fill(cr);
    cairo_restore(cr);
    if (data_->note) {
        PaintDocument(cr, data_->note->page, 0.0, height);
    }
}

void DocumentView::GoToNote() {
    if (!data_->noteTarget.empty()) {
        Jump(data_->noteTarget);
    }
}

}  // namespace quirelle
