// Loading a document of the reading order and giving it its length: the first layout pass runs
// right away on a scratch surface of the view's size.
#include <cstring>

#include "media/pictures.hpp"
#include "platform/dump_file.hpp"
#include "platform/paths.hpp"
#include "view/document_view.hpp"

namespace quirelle {

namespace {

// Until the view has been drawn it has no size; the first pass then lays out for its default.
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

}  // namespace

void DocumentView::SetScroll(double offset) {
    data_->scrollY = offset;
    frontend_.Redraw();
}

// The pass that measures a freshly loaded page: nothing it draws is ever seen, so no glyph is
// drawn, but every position is the one the next draw will have.
static void MeasureLoadedPage(DocumentView& view) {
    DocumentViewData& data = view.Data();
    if (data.areaWidth <= 0 || data.areaHeight <= 0) {
        data.areaWidth = kDefaultWidth;
        data.areaHeight = kDefaultHeight;
    }
    CairoSurface scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    CairoContext cr(cairo_create(scratch.get()));
    data.layout.ShowNothing();
    view.RenderPage(cr.get(), data.documentText.Text());
    data.layout.cr = nullptr;
}

// The document text just loaded is shown from its top: its first pass gives the page its length,
// its pictures go onto the picture layer, and the scrollbar learns the length.
static void ShowLoadedPage(DocumentView& view) {
    DocumentViewData& data = view.Data();
    data.layout.measurePass = true;
    data.scrollY = 0.0;
    MeasureLoadedPage(view);
    data.pageLength = data.scrollRange = data.layout.contentHeight;
    data.layout.measurePass = false;
    DrawPictures(view, data.layout.pictureIndex);
    view.frontend().Redraw();
    view.frontend().SetScrollRange(static_cast<int>(data.scrollRange), data.areaHeight);
}

void DocumentView::LoadPage(int index) {
    DocumentViewData& data = *data_;
    data.currentPage = index;
    BusyPointer busy(frontend_);
    if (index < 0 || index >= static_cast<int>(data.book.documents.size())) {
        return;
    }
    const std::string& href = data.book.documents[index].href;
    if (data.debug.debugElement) {
        WriteDump("debug_element.txt", "------  " + href + " unpacked --------\n",
                  DumpMode::Append);
    }
    if (href.find("html") != std::string::npos) {
        LoadDocument(index, data.book, data.documentText, data.debug);
    } else {
        // A picture in the reading order is shown on a page of its own.
        WrapImagePage(data.documentText, FilePart(href));
    }
    if (data.debug.debugElement) {
        WriteDump("debug_element.txt",
                  "------ page " + std::to_string(index) + " unpacked --------\n",
                  DumpMode::Append);
    }
    data.style.backgroundPicture.clear();
    data.style.backgroundRepeat.clear();
    ShowLoadedPage(*this);
}

void DocumentView::GotoTarget(std::string_view target) {
    DocumentViewData& data = *data_;
    const std::string_view name = FilePart(target.substr(0, target.find('#')));
    if (name.find("html") == std::string_view::npos) {
        WrapImagePage(data.documentText, name);
    } else if (ExtractEntryInto(data.book.archivePath, name, data.documentText)) {
        data.documentText.size =
            static_cast<std::uint32_t>(std::strlen(data.documentText.data.get()));
    }
    int row = data.book.documentCount;
    for (int i = 0; i < data.book.documentCount; ++i) {
        if (data.book.documents[i].href.find(name) != std::string::npos) {
            row = i;
            break;
        }
    }
    frontend_.SetActivePageRow(row);
    ShowLoadedPage(*this);
}

}  // namespace quirelle
