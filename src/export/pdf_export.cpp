// PDF export: each document of a range becomes pages 1000 points wide, laid out by the same engine
// as the screen: a page as tall as its document, up to the tallest page that PDF viewers and
// printers take, and a longer document goes on over further pages.
#include <cairo-pdf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "export/pdf_export.hpp"
#include "layout/document_layout.hpp"
#include "layout/page_breaks.hpp"
#include "layout/page_layout_dump.hpp"
#include "style/style_resolver.hpp"
#include "view/document_view.hpp"
#include "view/file_requester.hpp"

namespace quirelle {

namespace {

constexpr int kExportWidth = 1000;
constexpr int kExportHeight = 500;
// 200 inches: the tallest page the common viewers open and print shops take.
constexpr double kTallestPage = 14400;

// Document `index` laid out for the PDF on its own: on the PDF surface's metrics (unhinted, as
// the page will print), 1000 points wide, never borrowing the view's layout.
std::unique_ptr<DocumentLayout> LayOutForExport(DocumentView& view, int index, cairo_t* cr,
                                                ArchiveBuffer& buffer, const Settings& settings) {
    DocumentViewData& data = view.Data();
    buffer.size = 0;
    buffer.data[0] = '\0';
    LoadReadingOrderItem(index, data.book, buffer, data.debug);
    return BuildDocumentLayout(buffer.Text(),
                               data.book.documents[static_cast<std::size_t>(index)].href,
                               view.StyleInputsFor(settings), data.fonts, cr, kExportWidth,
                               kExportHeight, view.PictureSizes());
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
    Frontend& frontend = view.frontend();
    ArchiveBuffer buffer = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);
    BusyPointer busy(frontend);
    // Only the pictures are wanted ahead, and the tree names them: laying every document out
    // here as well as for its pages would take as long again as the export.
    for (int page = from; page <= to; ++page) {
        buffer.size = 0;
        buffer.data[0] = '\0';
        LoadReadingOrderItem(page, data.book, buffer, data.debug);
        const std::string& href = data.book.documents[static_cast<std::size_t>(page)].href;
        frontend.SetStatus(
            Progress("Calculate max. Pagelenght...", page, data.book.documentCount - 1));
        const DocumentTree tree = DocumentTree::Parse(buffer.Text());
        std::vector<std::string>& pictures = data.measuredPictures[page];
        pictures.clear();
        for (NodeIndex node = 0; node < tree.size(); ++node) {
            if (!tree.IsElement(node) || tree.LocalName(node) != "img") {
                continue;
            }
            if (const auto src = tree.Attribute(node, "src")) {
                if (const std::optional<std::string> path = ResolveMemberPath(href, *src)) {
                    pictures.push_back(*path);
                }
            }
        }
    }
    frontend.SetStatus("");
}

bool ExportPdfPages(DocumentView& view, const std::string& path, int from, int to,
                    std::ostream* dump) {
    if (from > to) {
        return false;  // a file without pages is no export
    }
    DocumentViewData& data = view.Data();
    Frontend& frontend = view.frontend();
    const Settings settings = frontend.CurrentSettings();
    ArchiveBuffer buffer = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);
    BusyPointer busy(frontend);
    CairoSurface pdf(cairo_pdf_surface_create(path.c_str(), kExportWidth, kTallestPage));
    CairoContext cr(cairo_create(pdf.get()));
    const auto picturesOf = [&](int page) {
        const auto measured = data.measuredPictures.find(page);
        return page <= to && measured != data.measuredPictures.end() ? measured->second
                                                                     : std::vector<std::string>();
    };
    data.pictureStore.DecodeAheadForPdf(picturesOf(from));
    for (int page = from; page <= to; ++page) {
        // The pictures of this page were decoded meanwhile; those of the next one are decoded
        // while this one is laid out and compressed.
        data.pictureStore.DecodeAheadForPdf(picturesOf(page + 1));
        const std::unique_ptr<DocumentLayout> laidOut =
            LayOutForExport(view, page, cr.get(), buffer, settings);
        const PageLayout& document = laidOut->page;
        data.maxPageLength = std::max(data.maxPageLength, document.height);
        const std::vector<double> tops = PageBreaks(document, kTallestPage);
        for (std::size_t sheet = 0; sheet < tops.size(); ++sheet) {
            const double top = tops[sheet];
            const double bottom =
                sheet + 1 < tops.size() ? tops[sheet + 1] : std::max(document.height, top + 1);
            cairo_pdf_surface_set_size(pdf.get(), kExportWidth, bottom - top);
            // The page's background covers the whole page, not the height of a window.
            view.PaintDocument(cr.get(), document, top, bottom - top);
            cairo_show_page(cr.get());
        }
        if (dump != nullptr) {
            WritePageLayoutDump(*dump, document, laidOut->tree, page);
        }
        frontend.SetStatus(Progress("Export page as PDF...", page, data.book.documentCount - 1));
    }
    data.pictureStore.DecodeAheadForPdf({});
    cr.reset();
    cairo_surface_finish(pdf.get());
    const bool written = cairo_surface_status(pdf.get()) == CAIRO_STATUS_SUCCESS;
    frontend.SetStatus("");
    return written;
}

}  // namespace quirelle
