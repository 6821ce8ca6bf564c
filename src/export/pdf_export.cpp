// PDF export: each document of a range laid out by the same engine as the screen, and cut into
// pages: as tall as the document up to the tallest page PDF viewers and printers take, or sheets
// of paper.
#include <cairo-pdf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "export/pdf_export.hpp"
#include "export/pdf_navigation.hpp"
#include "layout/document_layout.hpp"
#include "layout/page_breaks.hpp"
#include "layout/page_layout_dump.hpp"
#include "package/book_metadata.hpp"
#include "package/contents_tree.hpp"
#include "platform/paths.hpp"
#include "style/style_resolver.hpp"
#include "view/document_view.hpp"
#include "view/file_requester.hpp"

namespace quirelle {

namespace {

constexpr int kExportWidth = 1000;
constexpr int kExportHeight = 500;
// 200 inches: the tallest page the common viewers open and print shops take.
constexpr double kTallestPage = 14400;
// A CSS pixel is 1/96 inch; printed, it is 0.75 points, as browsers print.
constexpr double kPointsPerPixel = 0.75;
// The foot of a numbered page holds the number in this much room at least.
constexpr double kPageNumberRoom = 28;
constexpr double kPageNumberSize = 9;

// How the rows of a document go on the PDF's pages.
struct Sheets {
    bool paper = false;
    double pageWidth = kExportWidth;
    double pageHeight = kTallestPage;  // on paper; as the book each page is as tall as its rows
    double scale = 1.0;                // points per layout pixel
    double marginTop = 0;              // points
    double marginBottom = 0;
    double layoutWidth = kExportWidth;  // pixels
    double rowsPerPage = kTallestPage;  // pixels

    static Sheets For(const PdfOptions& options, const Settings& settings) {
        Sheets sheets;
        if (options.paper.AsTheBook()) {
            // A number needs room below the rows, within the tallest page.
            sheets.marginBottom = options.PageNumbers() ? kPageNumberRoom : 0;
            sheets.rowsPerPage = kTallestPage - sheets.marginBottom;
            return sheets;
        }
        sheets.paper = true;
        sheets.pageWidth = options.paper.width;
        sheets.pageHeight = options.paper.height;
        sheets.scale = kPointsPerPixel;
        // The page's margins at its head and foot are the settings' (the body's margin only
        // stands above the first page and below the last).
        const double margin = std::max(0, settings.VerticalMarginValue()) * kPointsPerPixel;
        // Never so much that no line fits.
        sheets.marginTop = std::min(margin, sheets.pageHeight / 4);
        sheets.marginBottom =
            std::min(options.PageNumbers() ? std::max(margin, kPageNumberRoom) : margin,
                     sheets.pageHeight / 4);
        sheets.layoutWidth = sheets.pageWidth / sheets.scale;
        sheets.rowsPerPage =
            (sheets.pageHeight - sheets.marginTop - sheets.marginBottom) / sheets.scale;
        return sheets;
    }

    // Where row `y` of a page starting at row `top` is, in points from the page's top.
    double PointOf(double y, double top) const { return marginTop + (y - top) * scale; }
};

// Document `index` laid out for the PDF on its own: on the PDF surface's metrics (unhinted, as
// the page will print), never borrowing the view's layout.
std::unique_ptr<DocumentLayout> LayOutForExport(DocumentView& view, int index, cairo_t* cr,
                                                ArchiveBuffer& buffer, const Settings& settings,
                                                const Sheets& sheets) {
    DocumentViewData& data = view.Data();
    buffer.size = 0;
    buffer.data[0] = '\0';
    LoadReadingOrderItem(index, data.book, buffer, data.debug);
    // Laid out under the scale it is printed at, so that its fonts are made for that scale.
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_scale(cr, sheets.scale, sheets.scale);
    auto layout = BuildDocumentLayout(
        buffer.Text(), data.book.documents[static_cast<std::size_t>(index)].href,
        view.StyleInputsFor(settings), data.fonts, cr, sheets.layoutWidth,
        sheets.paper ? sheets.rowsPerPage : kExportHeight, view.PictureSizes());
    cairo_restore(cr);
    return layout;
}

std::string Progress(const char* what, int page, int last) {
    char text[96];
    std::snprintf(text, sizeof text, "%s %d/%d ", what, page, last);
    return text;
}

// The link targets document `index` writes, read from its tree alone.
std::vector<std::string> LinkTargetsOf(DocumentView& view, int index, ArchiveBuffer& buffer) {
    DocumentViewData& data = view.Data();
    buffer.size = 0;
    buffer.data[0] = '\0';
    LoadReadingOrderItem(index, data.book, buffer, data.debug);
    const DocumentTree tree = DocumentTree::Parse(buffer.Text());
    std::vector<std::string> targets;
    for (NodeIndex node = 0; node < tree.size(); ++node) {
        if (tree.IsElement(node) && tree.LocalName(node) == "a") {
            if (const auto href = tree.Attribute(node, "href")) {
                targets.emplace_back(*href);
            }
        }
    }
    return targets;
}

// The number centred in the foot of a page `height` tall.
void PaintPageNumber(cairo_t* cr, const Sheets& sheets, double height, int number) {
    const std::string text = std::to_string(number);
    cairo_save(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kPageNumberSize);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);
    cairo_move_to(cr, (sheets.pageWidth - extents.x_advance) / 2,
                  height - sheets.marginBottom / 2 + kPageNumberSize / 3);
    cairo_show_text(cr, text.c_str());
    cairo_restore(cr);
}

void SetMetadata(cairo_surface_t* pdf, BookState& book) {
    const BookMetadata metadata = ReadBookMetadata(book);
    const std::pair<cairo_pdf_metadata_t, const std::string*> fields[] = {
        {CAIRO_PDF_METADATA_TITLE, &metadata.title},
        {CAIRO_PDF_METADATA_AUTHOR, &metadata.creator},
        {CAIRO_PDF_METADATA_SUBJECT, &metadata.description},
    };
    for (const auto& [field, text] : fields) {
        if (!text->empty()) {
            cairo_pdf_surface_set_metadata(pdf, field, text->c_str());
        }
    }
    // The book's language has no place in cairo's document information; the keywords say it.
    if (!metadata.language.empty()) {
        cairo_pdf_surface_set_metadata(pdf, CAIRO_PDF_METADATA_KEYWORDS,
                                       ("language: " + metadata.language).c_str());
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
        char date[32];
        std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
        cairo_pdf_surface_set_metadata(pdf, CAIRO_PDF_METADATA_CREATE_DATE, date);
    }
}

// The rows top..bottom of a laid-out document as the current page: its picture, then the
// destinations and links on it, in the page's points.
void PaintSheet(DocumentView& view, cairo_t* cr, const Sheets& sheets, const PageLayout& document,
                double top, double bottom) {
    cairo_save(cr);
    if (sheets.paper && document.canvas.alpha > 0) {
        // The book's page colour reaches the paper's edges, as a printed page's does, not only
        // the rows of text.
        cairo_set_source_rgba(cr, document.canvas.red / 255.0, document.canvas.green / 255.0,
                              document.canvas.blue / 255.0, document.canvas.alpha / 255.0);
        cairo_rectangle(cr, 0, 0, sheets.pageWidth, sheets.pageHeight);
        cairo_fill(cr);
    }
    cairo_translate(cr, 0, sheets.marginTop);
    cairo_scale(cr, sheets.scale, sheets.scale);
    // Bounded even as the book: cairo 1.16 gives a structure element's content an unbounded
    // extent otherwise (the canvas is painted with cairo_paint), and fails the file.
    cairo_rectangle(cr, 0, 0, sheets.layoutWidth,
                    sheets.paper ? std::min(bottom - top, sheets.rowsPerPage) : bottom - top);
    cairo_clip(cr);
    // The page's background covers the whole page, not the height of a window.
    view.PaintDocument(cr, document, top, bottom - top);
    cairo_restore(cr);
}

void AddLinks(cairo_t* cr, const Sheets& sheets, const PageLayout& document, double top,
              double bottom, const PdfNavigation& navigation, int index) {
    for (const PlacedLink& link : document.links) {
        if (link.y + link.height <= top || link.y >= bottom || link.width <= 0) {
            continue;
        }
        const auto attributes = navigation.LinkTo(index, link.target);
        if (!attributes) {
            continue;
        }
        const double y = std::max(link.y, top);
        const double height = std::min(link.y + link.height, bottom) - y;
        char rect[128];
        std::snprintf(rect, sizeof rect, "rect=[%.2f %.2f %.2f %.2f] ", link.x * sheets.scale,
                      sheets.PointOf(y, top), link.width * sheets.scale, height * sheets.scale);
        const std::string tag = rect + *attributes;
        cairo_tag_begin(cr, CAIRO_TAG_LINK, tag.c_str());
        cairo_tag_end(cr, CAIRO_TAG_LINK);
    }
}

// The file name an export is offered under: the book's title, without what a file name cannot
// hold, else the book's own file name.
std::string SuggestedName(BookState& book) {
    std::string name;
    for (const char c : ReadBookMetadata(book).title) {
        const auto byte = static_cast<unsigned char>(c);
        name += byte < 0x20 || c == '/' || c == '\\' ? ' ' : c;
    }
    const auto first = name.find_first_not_of(" .");
    name = first == std::string::npos ? std::string() : name.substr(first, 200);
    if (name.empty()) {
        name = std::filesystem::path(book.archivePath).stem().string();
    }
    return (name.empty() ? std::string("book") : name) + ".pdf";
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
    const std::string suggested = (DocumentsFolder() / SuggestedName(view.Data().book)).string();
    if (RequestFile(frontend, "Export as pdf...", true, "#?.(PDF)", suggested, path) != 1) {
        return;
    }
    MeasurePages(view, from, to);
    if (path.find(".pdf") == std::string::npos) {
        path += ".pdf";
    }
    PdfOptions options;
    const auto& papers = PaperSizes();
    const int choice = frontend.ExportPaperChoice();
    if (choice >= 0 && static_cast<std::size_t>(choice) < papers.size()) {
        options.paper = papers[static_cast<std::size_t>(choice)].size;
    }
    if (ExportPdfPages(view, path, from, to, nullptr, options)) {
        frontend.SetStatus(path + " written");
    } else {
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
                    std::ostream* dump, const PdfOptions& options) {
    if (from > to) {
        return false;  // a file without pages is no export
    }
    DocumentViewData& data = view.Data();
    Frontend& frontend = view.frontend();
    const Settings settings = frontend.CurrentSettings();
    const Sheets sheets = Sheets::For(options, settings);
    ArchiveBuffer buffer = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);
    BusyPointer busy(frontend);
    PdfNavigation navigation(data.book, from, to, ReadContentsTree(data.book),
                             [&](int index) { return LinkTargetsOf(view, index, buffer); });
    CairoSurface pdf(cairo_pdf_surface_create(path.c_str(), sheets.pageWidth, sheets.pageHeight));
    CairoContext cr(cairo_create(pdf.get()));
    const auto picturesOf = [&](int page) {
        const auto measured = data.measuredPictures.find(page);
        return page <= to && measured != data.measuredPictures.end() ? measured->second
                                                                     : std::vector<std::string>();
    };
    data.pictureStore.DecodeAheadForPdf(picturesOf(from));
    int pages = 0;
    for (int index = from; index <= to; ++index) {
        // The pictures of this page were decoded meanwhile; those of the next one are decoded
        // while this one is laid out and compressed.
        data.pictureStore.DecodeAheadForPdf(picturesOf(index + 1));
        const std::unique_ptr<DocumentLayout> laidOut =
            LayOutForExport(view, index, cr.get(), buffer, settings, sheets);
        const PageLayout& document = laidOut->page;
        data.maxPageLength = std::max(data.maxPageLength, document.height);
        const std::vector<double> tops =
            sheets.paper ? PageBreaks(document, sheets.rowsPerPage,
                                      BreakRequestsOf(laidOut->tree, laidOut->styles, document))
                         : PageBreaks(document, sheets.rowsPerPage);
        // Each destination at the page and row its element starts on; one the document lacks
        // at the document's start.
        const auto placeOf = [&](double y) {
            const auto sheet = std::upper_bound(tops.begin(), tops.end(), y) - tops.begin() - 1;
            const double top = tops[static_cast<std::size_t>(std::max<std::ptrdiff_t>(sheet, 0))];
            return PdfNavigation::Place{
                pages + 1 + static_cast<int>(std::max<std::ptrdiff_t>(sheet, 0)), 0,
                sheets.PointOf(y, top)};
        };
        for (const PdfNavigation::Wanted& wanted : navigation.WantedIn(index)) {
            std::optional<double> y;
            if (!wanted.fragment.empty()) {
                y = document.PositionOf(laidOut->tree, wanted.fragment);
            }
            PdfNavigation::Place place = placeOf(y.value_or(0.0));
            if (!y) {
                place.y = 0;
            }
            navigation.SetPlace(index, wanted.fragment, place);
        }
        for (std::size_t sheet = 0; sheet < tops.size(); ++sheet) {
            const double top = tops[sheet];
            const double bottom =
                sheet + 1 < tops.size() ? tops[sheet + 1] : std::max(document.height, top + 1);
            const double height =
                sheets.paper ? sheets.pageHeight : bottom - top + sheets.marginBottom;
            if (!sheets.paper) {
                cairo_pdf_surface_set_size(pdf.get(), sheets.pageWidth, height);
            }
            PaintSheet(view, cr.get(), sheets, document, top, bottom);
            ++pages;
            for (const PdfNavigation::Wanted& wanted : navigation.WantedIn(index)) {
                // Every destination gets its name on the page it is on.
                const PdfNavigation::Place place =
                    navigation.PlaceOf(index, wanted.fragment).value_or(PdfNavigation::Place{});
                if (place.page == pages) {
                    char attributes[160];
                    std::snprintf(attributes, sizeof attributes, "name=%s x=%.2f y=%.2f",
                                  TagString(wanted.name).c_str(), place.x, place.y);
                    cairo_tag_begin(cr.get(), CAIRO_TAG_DEST, attributes);
                    cairo_tag_end(cr.get(), CAIRO_TAG_DEST);
                }
            }
            // cairo 1.16 leaves the structure tree its link annotations refer to unwritten, and
            // the file's cross-reference table broken, unless the links stand inside a structure
            // element; one that holds drawing as well makes it fail or crash at the end.
            cairo_tag_begin(cr.get(), "Part", "");
            AddLinks(cr.get(), sheets, document, top, bottom, navigation, index);
            cairo_tag_end(cr.get(), "Part");
            if (options.PageNumbers()) {
                PaintPageNumber(cr.get(), sheets, height, pages);
            }
            cairo_show_page(cr.get());
        }
        if (dump != nullptr) {
            WritePageLayoutDump(*dump, document, laidOut->tree, index);
        }
        frontend.SetStatus(Progress("Export page as PDF...", index, data.book.documentCount - 1));
    }
    data.pictureStore.DecodeAheadForPdf({});
    navigation.AddOutline(pdf.get());
    SetMetadata(pdf.get(), data.book);
    cr.reset();
    cairo_surface_finish(pdf.get());
    const bool written = cairo_surface_status(pdf.get()) == CAIRO_STATUS_SUCCESS;
    frontend.SetStatus("");
    return written;
}

}  // namespace quirelle
