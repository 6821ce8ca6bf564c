#include "view/document_view.hpp"

#include <new>

#include "package/table_of_contents.hpp"
#include "platform/charset.hpp"

namespace quirelle {

std::unique_ptr<DocumentView> DocumentView::Create(Frontend& frontend) {
    try {
        return std::make_unique<DocumentView>(frontend);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

DocumentView::DocumentView(Frontend& frontend)
    : frontend_(frontend), data_(std::make_unique<DocumentViewData>()) {}

void DocumentView::ShowPanel(int state) {
    frontend_.ShowPanel(state == 1);
}

void DocumentView::SetCover(const std::string& path) {
    data_->book.coverPath = path;
    frontend_.ShowCover(data_->book.archivePath, path);
}

void DocumentView::ReadToc() {
    ReadNavigation(data_->book.archivePath, data_->book);
}

void DocumentView::FillPageList() {
    const BookState& book = data_->book;
    for (int i = 0; i < book.documentCount; ++i) {
        const std::string& label = book.documents[i].label;
        if (label.empty()) {
            continue;
        }
        frontend_.InsertPageListRow(i, ToSystemCharset(label).value_or(std::string()));
    }
}

void DocumentView::Reset() {
    data_->book.documents.clear();
    data_->book.manifestItems.clear();
    data_->measuredPictures.clear();
    data_->searchMarks = SearchMarks{};
}

void DocumentView::SetCssEnabled(bool enabled) {
    data_->cssEnabled = enabled;
    frontend_.Redraw();
}

}  // namespace quirelle
