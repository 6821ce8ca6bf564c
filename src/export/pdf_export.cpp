// PDF export: each document of a range becomes one page 1000 points wide, all pages as tall as the
// tallest of them, laid out by the same passes as the screen.
#include <cairo-pdf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "export/pdf_export.hpp"
#include "layout/line_box_dump.hpp"
#include "view/document_view.hpp"
#include "view/file_requester.hpp"

namespace quirelle {

namespace {

constexpr int kExportWidth = 1000;
constexpr int kExportHeight = 500;

cairo_status_t Discard(void*, const unsigned char*, unsigned int) {
    return CAIRO_STATUS_SUCCESS;
}

// A PDF surface that writes nowhere: laying out on it measures with the very font metrics of the
// real export, which an image surface (with its hinted metrics) would not.
CairoSurface ScratchPdfSurface(double height) {
    return CairoSurface(cairo_pdf_surface_create_for_stream(&Discard, nullptr, kExportWidth,
                                                            std::max(height, 1.0)));
}

// The export lays its documents out on the view's own layout, at the PDF's width and from their
// tops. The page on display is given back as the user had it: its place and length (the
// scrollbar still shows them), the size it is laid out for (a page loaded next is measured for
// it), its background and its links (a click on the page follows those, not the links of the
// last document exported).
class DisplayedPageKept {
  public:
    explicit DisplayedPageKept(DocumentView& view)
        : view_(view),
          layout_(view.Data().layout),
          scrollY_(layout_.scrollY),
          pageLength_(layout_.pageLength),
          areaWidth_(layout_.areaWidth),
          areaHeight_(layout_.areaHeight),
          backgroundPicture_(layout_.style.backgroundPicture),
          backgroundRepeat_(layout_.style.backgroundRepeat),
          links_(layout_.state.links.begin(),
                 layout_.state.links.begin() + std::max(layout_.state.linkCount, 0)) {}
    ~DisplayedPageKept() {
        layout_.scrollY = scrollY_;
        layout_.pageLength = pageLength_;
        layout_.areaWidth = areaWidth_;
        layout_.areaHeight = areaHeight_;
        layout_.style.backgroundPicture = backgroundPicture_;
        layout_.style.backgroundRepeat = backgroundRepeat_;
        std::copy(links_.begin(), links_.end(), layout_.state.links.begin());
        layout_.state.linkCount = static_cast<int>(links_.size());
        view_.frontend().Redraw();
    }
    DisplayedPageKept(const DisplayedPageKept&) = delete;
    DisplayedPageKept& operator=(const DisplayedPageKept&) = delete;

  private:
    DocumentView& view_;
    LayoutContext& layout_;
    const double scrollY_;
    const double pageLength_;
    const int areaWidth_;
    const int areaHeight_;
    const std::string backgroundPicture_;
    const std::string backgroundRepeat_;
    const std::vector<LinkRecord> links_;
};

// Loads document `index` into `buffer` as the page display would, and resets the layout for it.
void LoadForExport(DocumentViewData& data, int index, ArchiveBuffer& buffer, bool measurePass) {
    buffer.size = 0;
    buffer.data[0] = '\0';
    LoadReadingOrderItem(index, data.book, buffer, data.layout.debug);
    LayoutContext& layout = data.layout;
    layout.scrollY = 0.0;
    layout.areaWidth = kExportWidth;
    layout.areaHeight = kExportHeight;
    layout.style.backgroundPicture.clear();
    layout.style.backgroundRepeat.clear();
    layout.state.measurePass = measurePass;
}

std::string Progress(const char* what, int page, int last) {
    char text[96];
    std::snprintf(text, sizeof text, "%s %d/%d ", what, page, last);
    return text;
}

}  // namespace

void ExportPdf(DocumentView& view) {
    Frontend& frontend = view.frontend();
    BusyPointer busy(frontend);
    const int from = frontend.ExportFrom();
    const int to = frontend.ExportTo();
    if (from > to) {
        frontend.ShowMessage("There is nothing to export: \"From\" is after \"To\".");
        return;
    }
    std::string path;
    if (RequestFile(frontend, "Export as pdf...", true, "#?.(PDF)", "Ram:", path) != 1) {
        return;
    }
    MeasurePages(view, from, to);
    if (path.find(".pdf") == std::string::npos) {
        path += ".pdf";
    }
    if (!ExportPdfPages(view, path, from, to)) {
        frontend.ShowMessage("The PDF file " + path + " could not be written.");
    }
    frontend.CloseExportWindow();
}

void MeasurePages(DocumentView& view, int from, int to) {
    DocumentViewData& data = view.Data();
    LayoutContext& layout = data.layout;
    Frontend& frontend = view.frontend();
    const int verticalMargin = frontend.CurrentSettings().VerticalMarginValue();
    ArchiveBuffer buffer = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);
    BusyPointer busy(frontend);
    const DisplayedPageKept displayed(view);
    CairoSurface scratch = ScratchPdfSurface(kExportHeight);
    CairoContext cr(cairo_create(scratch.get()));
    for (int page = from; page <= to; ++page) {
        LoadForExport(data, page, buffer, true);
        // Only positions matter here: no glyph is drawn.
        layout.state.ShowNothing();
        view.RenderPage(cr.get(), buffer.Text());
        double x, y;
        cairo_get_current_point(cr.get(), &x, &y);
        frontend.SetStatus(
            Progress("Calculate max. Pagelenght...", page, data.book.documentCount - 1));
        // Every document is as long as its text, background picture or not: a page cut at a
        // fixed height would lose whatever text lies below it.
        const double length = y + verticalMargin;
        data.maxPageLength = std::max(data.maxPageLength, length);
        std::vector<std::string>& pictures = data.measuredPictures[page];
        pictures.clear();
        for (int i = 0; i < layout.state.pictureIndex; ++i) {
            const std::string& name = layout.state.pictures[static_cast<std::size_t>(i)].name;
            if (name != "SVG") {
                pictures.push_back(name);
            }
        }
    }
    layout.state.cr = nullptr;
    frontend.SetStatus("");
    layout.state.measurePass = false;
}

bool ExportPdfPages(DocumentView& view, const std::string& path, int from, int to,
                    LineBoxDump* dump) {
    if (from > to) {
        return false;  // a file without pages is no export
    }
    DocumentViewData& data = view.Data();
    LayoutContext& layout = data.layout;
    Frontend& frontend = view.frontend();
    ArchiveBuffer buffer = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);
    BusyPointer busy(frontend);
    const DisplayedPageKept displayed(view);
    layout.pageLength = data.maxPageLength;
    const double pageHeight = std::max(data.maxPageLength, 1.0);
    CairoSurface pdf(cairo_pdf_surface_create(path.c_str(), kExportWidth, pageHeight));
    CairoContext cr(cairo_create(pdf.get()));
    const auto picturesOf = [&](int page) {
        const auto measured = data.measuredPictures.find(page);
        return page <= to && measured != data.measuredPictures.end() ? measured->second
                                                                     : std::vector<std::string>();
    };
    layout.pictureStore.DecodeAheadForPdf(picturesOf(from));
    for (int page = from; page <= to; ++page) {
        // The pictures of this page were decoded meanwhile; those of the next one are decoded
        // while this one is laid out and compressed.
        layout.pictureStore.DecodeAheadForPdf(picturesOf(page + 1));
        // Pictures are drawn where they are placed, under the text that follows them, so one
        // pass draws the whole page; their sizes were learned when the pages were measured.
        LoadForExport(data, page, buffer, true);
        // The page's background covers the whole page, not the height of a window.
        layout.areaHeight = static_cast<int>(std::ceil(pageHeight));
        layout.state.ShowEverything();
        if (dump != nullptr) {
            dump->BeginDocument(page);
            layout.state.dump = dump;
        }
        view.RenderPage(cr.get(), buffer.Text());
        if (dump != nullptr) {
            dump->EndDocument();
            layout.state.dump = nullptr;
        }
        frontend.SetStatus(Progress("Export page as PDF...", page, data.book.documentCount - 1));
        cairo_show_page(cr.get());
    }
    layout.pictureStore.DecodeAheadForPdf({});
    layout.state.cr = nullptr;
    layout.state.measurePass = false;
    cr.reset();
    cairo_surface_finish(pdf.get());
    const bool written = cairo_surface_status(pdf.get()) == CAIRO_STATUS_SUCCESS;
    frontend.SetStatus("");
    return written;
}

}  // namespace quirelle
