// The marks of the last search on the page, and going to a hit.
#include "view/search_marks.hpp"

#include "view/document_view.hpp"

namespace quirelle {

namespace {

// Translucent, so that the marked words stay readable in every theme.
constexpr double kMarkRed = 1.0, kMarkGreen = 0.85, kMarkBlue = 0.0, kMarkAlpha = 0.4;

bool RectsAreFor(const SearchMarks& marks, int document, const DocumentLayout& layout) {
    return marks.rectsCurrent && marks.rectsLayout == &layout && marks.rectsDocument == document &&
           marks.rectsWidth == layout.page.width && marks.rectsHeight == layout.page.height &&
           marks.rectsWords == layout.page.words.size();
}

void FindRects(SearchMarks& marks, int document, const DocumentLayout& layout) {
    marks.rects.clear();
    if (const auto found = marks.byDocument.find(document); found != marks.byDocument.end()) {
        for (const auto& [offset, end] : found->second) {
            const std::vector<WordRect> words =
                WordRectsOf(layout.page, layout.tree, offset, end > offset ? end - offset : 1);
            marks.rects.insert(marks.rects.end(), words.begin(), words.end());
        }
    }
    marks.rectsLayout = &layout;
    marks.rectsDocument = document;
    marks.rectsWidth = layout.page.width;
    marks.rectsHeight = layout.page.height;
    marks.rectsWords = layout.page.words.size();
    marks.rectsCurrent = true;
}

}  // namespace

void PaintSearchMarks(cairo_t* cr, SearchMarks& marks, int document, const DocumentLayout& layout,
                      double scrollY, double height) {
    if (marks.byDocument.empty()) {
        return;
    }
    if (!RectsAreFor(marks, document, layout)) {
        FindRects(marks, document, layout);
    }
    cairo_save(cr);
    cairo_set_source_rgba(cr, kMarkRed, kMarkGreen, kMarkBlue, kMarkAlpha);
    for (const WordRect& rect : marks.rects) {
        if (rect.y + rect.height <= scrollY || rect.y >= scrollY + height) {
            continue;
        }
        cairo_rectangle(cr, rect.x, rect.y - scrollY, rect.width, rect.height);
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

void DocumentView::ClearSearchMarks() {
    data_->searchMarks.byDocument.clear();
    data_->searchMarks.rects.clear();
    data_->searchMarks.rectsCurrent = false;
    frontend_.Redraw();
}

void DocumentView::AddSearchMarks(int document, std::vector<SearchMarks::Span> hits) {
    if (hits.empty()) {
        return;
    }
    std::vector<SearchMarks::Span>& spans = data_->searchMarks.byDocument[document];
    spans.insert(spans.end(), hits.begin(), hits.end());
    if (document == data_->currentPage) {
        data_->searchMarks.rectsCurrent = false;
        frontend_.Redraw();
    }
}

bool DocumentView::JumpToPlace(const ReadingPlace& place) {
    if (place.document < 0 || place.document >= data_->book.documentCount) {
        return false;
    }
    data_->history.Leave(CurrentPlace());
    UpdateHistoryButtons();
    return ShowPlace(place);
}

}  // namespace quirelle
