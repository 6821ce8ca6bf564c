#include "view/document_view.hpp"

#include <cstdlib>
#include <new>

#include "package/archive.hpp"
#include "package/table_of_contents.hpp"
#include "platform/charset.hpp"
#include "style/css_dump.hpp"

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

void DocumentView::SetTocHref(std::string_view reference) {
    data_->book.tocHref = reference;
}

void DocumentView::SetNavHref(std::string_view reference) {
    data_->book.navHref = reference;
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

void DocumentView::SetPackageVersion(std::string_view version) {
    data_->book.packageVersion = static_cast<float>(std::atof(std::string(version).c_str()));
}

void DocumentView::Reset() {
    data_->book.documents.clear();
    data_->book.manifestItems.clear();
    data_->measuredPictures.clear();
    ClearStyleRules();
}

void DocumentView::ClearStyleRules() {
    data_->layout.styleSheet.Clear();
}

void DocumentView::LoadStyleSheets() {
    BookState& book = data_->book;
    const bool debugCss = data_->layout.debug.debugCss;
    for (int i = 0; i < book.manifestItemCount; ++i) {
        const std::string& href = book.manifestItems[static_cast<std::size_t>(i)].href;
        ArchiveBuffer sheet;
        if (href.find(".css") == std::string::npos || !ArchiveOf(book).Extract(href, sheet)) {
            continue;  // a sheet that cannot be read is passed over
        }
        DumpCss(debugCss, [&] {
            return "----- " + href + " ---------\n" + std::string(sheet.Text()) +
                   "\n---------------\n";
        });
        data_->layout.styleSheet.ParseStyleSheet(sheet.Text(), debugCss);
    }
}

void DocumentView::SetCssEnabled(bool enabled) {
    data_->layout.cssEnabled = enabled;
    frontend_.Redraw();
}

}  // namespace quirelle
