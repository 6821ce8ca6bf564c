// Places in a book: the first word in view, which the view keeps through another width or
// settings, jumps back and forward between, and leaves in the place store for the next start.
#include <algorithm>
#include <filesystem>

#include "layout/text_position.hpp"
#include "view/document_view.hpp"
#include "view/page_links.hpp"

namespace quirelle {

namespace {

// A screenful keeps this much of the last one in view, so that the eye finds its line again.
constexpr double kScreenOverlap = 0.1;

}  // namespace

void DocumentView::ScrollTo(double y) {
    DocumentViewData& data = *data_;
    const double length = data.shown ? data.shown->page.height : 0.0;
    const double height = data.shownScale.layoutHeight;
    data.scrollY = std::clamp(y, 0.0, std::max(0.0, length - height));
    // The scrollbar takes the view's offset when it learns the range.
    TellScrollRange();
    if (data.shown) {
        data.links =
            LinkRecordsOf(data.shown->page, data.scrollY, data.scrollY, data.scrollY + height);
    }
    FollowContents();
    frontend_.Redraw();
}

ReadingPlace DocumentView::CurrentPlace() const {
    const DocumentViewData& data = *data_;
    ReadingPlace place{data.currentPage, 0};
    if (data.shown) {
        place.offset =
            TextOffsetAtTop(data.shown->page, data.shown->tree, data.scrollY).value_or(0);
    }
    return place;
}

bool DocumentView::ShowPlace(const ReadingPlace& place) {
    DocumentViewData& data = *data_;
    if (place.document < 0 || place.document >= data.book.documentCount) {
        return false;
    }
    if (place.document != data.currentPage || !data.shown) {
        if (!LoadPage(place.document)) {
            return false;
        }
    }
    frontend_.SetActivePageRow(place.document);
    ScrollTo(ScrollTopOfTextOffset(data.shown->page, data.shown->tree, place.offset));
    return true;
}

bool DocumentView::GoToDocument(int index) {
    if (index < 0 || index >= data_->book.documentCount) {
        return false;
    }
    data_->history.Leave(CurrentPlace());
    UpdateHistoryButtons();
    return LoadPage(index);
}

void DocumentView::Jump(std::string_view target) {
    data_->history.Leave(CurrentPlace());
    UpdateHistoryButtons();
    GotoTarget(target);
}

void DocumentView::GoBack() {
    if (const auto place = data_->history.Back(CurrentPlace())) {
        ShowPlace(*place);
    }
    UpdateHistoryButtons();
}

void DocumentView::GoForward() {
    if (const auto place = data_->history.Forward(CurrentPlace())) {
        ShowPlace(*place);
    }
    UpdateHistoryButtons();
}

void DocumentView::UpdateHistoryButtons() {
    frontend_.SetHistoryButtons(data_->history.CanGoBack(), data_->history.CanGoForward());
}

void DocumentView::MoveByScreen(int direction) {
    DocumentViewData& data = *data_;
    if (!data.shown) {
        return;
    }
    const double height = data.shownScale.layoutHeight;
    const double screen = std::max(1.0, height * (1.0 - kScreenOverlap));
    const double last = std::max(0.0, data.shown->page.height - height);
    if (direction > 0 && data.scrollY >= last) {
        if (data.currentPage + 1 < data.book.documentCount && LoadPage(data.currentPage + 1)) {
            frontend_.SetActivePageRow(data.currentPage);
        }
        return;
    }
    if (direction < 0 && data.scrollY <= 0.0) {
        if (data.currentPage > 0 && LoadPage(data.currentPage - 1)) {
            frontend_.SetActivePageRow(data.currentPage);
            ScrollTo(data.shown->page.height);
        }
        return;
    }
    ScrollTo(data.scrollY + direction * screen);
}

void DocumentView::SettingsChanged() {
    DocumentViewData& data = *data_;
    if (data.book.archivePath.empty() || !data.shown) {
        return;
    }
    const ReadingPlace place = CurrentPlace();
    LayOutShown(false);
    data.scrollRange = data.shown->page.height;
    ScrollTo(ScrollTopOfTextOffset(data.shown->page, data.shown->tree, place.offset));
}

void DocumentView::RememberPlace() {
    const DocumentViewData& data = *data_;
    if (placeStore_ == nullptr || data.book.archivePath.empty()) {
        return;
    }
    // The path is kept whole: the next start may be made from another folder.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(data.book.archivePath, error);
    placeStore_->Remember(bookKey_, error ? data.book.archivePath : absolute.string(),
                          CurrentPlace());
    placeStore_->Save();
}

}  // namespace quirelle
