// PDF export: each document of a range becomes one page 1000 points wide, all pages as tall as the
// tallest of them, laid out by the same passes as the screen.
#include <cairo-pdf.h>

#include <algorithm>
#include <cstdio>

#include "media/pictures.hpp"
#include "view/file_requester.hpp"
#include "platform/paths.hpp"
#include "view/document_view.hpp"

namespace quirelle {

namespace {

constexpr int kExportWidth = 1000;
constexpr int kExportHeight = 500;

cairo_status_t Discard(void*, const unsigned char*, unsigned int) { return CAIRO_STATUS_SUCCESS; }

// A PDF surface that writes nowhere: laying out on it measures with the very font metrics of the
// real export, which an image surface (with its hinted metrics) would not.
CairoSurface ScratchPdfSurface(double height) {
    return CairoSurface(cairo_pdf_surface_create_for_stream(&Discard, nullptr, kExportWidth,
                                                            std::max(height, 1.0)));
}

// Loads document `index` into `buffer` as the page display would.
void LoadForExport(DocumentViewData& data, int index, ArchiveBuffer& buffer) {
    buffer.size = 0;
    buffer.data[0] = '\0';
    if (index < 0 || index >= data.book.documentCount) {
        return;
    }
    const std::string& href = data.book.documents[static_cast<std::size_t>(index)].href;
    if (href.find("html") != std::string::npos) {
        LoadDocument(index, data.book, buffer, data.debug);
    } else {
        WrapImagePage(buffer, FilePart(href));
    }
}

void ResetForExport(DocumentViewData& data, bool measurePass) {
    data.scrollY = 0.0;
    data.areaWidth = kExportWidth;
    data.areaHeight = kExportHeight;
    data.style.backgroundPicture.clear();
    data.style.backgroundRepeat.clear();
    data.layout.measurePass = measurePass;
}

std::string Progress(const char* what, int page, int last) {
    char text[96];
    std::snprintf(text, sizeof text, "%s %d/%d ", what, page, last);
    return text;
}

}  // namespace

void DocumentView::ExportPdf() {
    BusyPointer busy(frontend_);
    std::string path;
    if (RequestFile(frontend_, "Export as pdf...", true, "#?.(PDF)", "Ram:", path) != 1) {
        return;
    }
    const int from = frontend_.ExportFrom();
    const int to = frontend_.ExportTo();
    MeasurePages(from, to);
    if (path.find(".pdf") == std::string::npos) {
        path += ".pdf";
    }
    if (!ExportPdfPages(path, from, to)) {
        frontend_.ShowMessage("The PDF file " + path + " could not be written.");
    }
    frontend_.CloseExportWindow();
}

void DocumentView::MeasurePages(int from, int to) {
    DocumentViewData& data = *data_;
    const int verticalMargin = frontend_.CurrentSettings().VerticalMarginValue();
    ArchiveBuffer buffer = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);
    BusyPointer busy(frontend_);
    CairoSurface scratch = ScratchPdfSurface(kExportHeight);
    CairoContext cr(cairo_create(scratch.get()));
    for (int page = from; page <= to; ++page) {
        LoadForExport(data, page, buffer);
        ResetForExport(data, true);
        // Only positions matter here: no glyph is drawn.
        data.layout.ShowNothing();
        RenderPage(cr.get(), buffer.Text());
        double x, y;
        cairo_get_current_point(cr.get(), &x, &y);
        frontend_.SetStatus(
            Progress("Calculate max. Pagelenght...", page, data.book.documentCount - 1));
        const double length = data.style.backgroundPicture.empty() ? y + verticalMargin : 500.0;
        data.maxPageLength = std::max(data.maxPageLength, length);
    }
    data.layout.cr = nullptr;
    frontend_.SetStatus("");
    data.layout.measurePass = false;
}

bool DocumentView::ExportPdfPages(const std::string& path, int from, int to) {
    DocumentViewData& data = *data_;
    ArchiveBuffer buffer = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);
    BusyPointer busy(frontend_);
    data.pageLength = data.maxPageLength;
    const double pageHeight = std::max(data.maxPageLength, 1.0);
    CairoSurface pdf(cairo_pdf_surface_create(path.c_str(), kExportWidth, pageHeight));
    CairoContext cr(cairo_create(pdf.get()));
    CairoSurface scratch = ScratchPdfSurface(pageHeight);
    CairoContext scratchCr(cairo_create(scratch.get()));
    for (int page = from; page <= to; ++page) {
        LoadForExport(data, page, buffer);
        ResetForExport(data, false);
        // The first pass lays the page out and places its pictures; drawing it onto the page as
        // well would put every word into the file twice.
        data.layout.ShowNothing();
        RenderPage(scratchCr.get(), buffer.Text());
        data.layout.measurePass = true;
        DrawPictures(*this, data.layout.pictureIndex);
        data.layout.ShowEverything();
        RenderPage(cr.get(), buffer.Text());
        frontend_.SetStatus(
            Progress("Export page as PDF...", page, data.book.documentCount - 1));
        cairo_show_page(cr.get());
    }
    data.layout.cr = nullptr;
    data.layout.measurePass = false;
    cr.reset();
    cairo_surface_finish(pdf.get());
    const bool written = cairo_surface_status(pdf.get()) == CAIRO_STATUS_SUCCESS;
    frontend_.SetStatus("");
    return written;
}

}  // namespace quirelle
