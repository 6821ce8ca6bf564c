#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "export/paper_size.hpp"

namespace quirelle {

class DocumentView;

// PDF export of the view's book: documents from..to, each laid out by the same engine as the
// screen, on its own (the page on display is left as it was), each starting a new page.
//
// "As the book": pages 1000 points wide, as tall as the document up to 14,400 points, the most
// PDF viewers and printers take; a taller document goes on over further pages, cut between lines
// and never through a picture that fits.
// On paper: the document laid out at the paper's width (a CSS pixel printed as 0.75 points, as
// browsers print), the settings' vertical margin above and below, and paged: between lines,
// never leaving a heading last on a page, honouring the book's forced breaks and
// `break-inside: avoid` where they fit.
//
// Either way the file has the book's contents as its outline (one entry per document when the
// book has none), its links (within the range to their place, web and mail addresses as written)
// and the book's title, author and description.
struct PdfOptions {
    PaperSize paper;
    // Page numbers at the foot; by default on paper only.
    std::optional<bool> pageNumbers;
    bool PageNumbers() const { return pageNumbers.value_or(!paper.AsTheBook()); }
};

// Notes the pictures of documents from..to, to be decoded ahead of the export.
void MeasurePages(DocumentView& view, int from, int to);

// Writes documents from..to to a PDF file at `path`, and raises the view's maxPageLength to the
// tallest of them. The status line follows its progress, document by document.
// False when the file could not be written, or when the range is empty (from after to); then no
// file is written. With a `dump`, the layout of every page goes to it (WritePageLayoutDump).
bool ExportPdfPages(DocumentView& view, const std::string& path, int from, int to,
                    std::ostream* dump = nullptr, const PdfOptions& options = {});

// The export window's "Export": asks for the PDF file and exports the chosen range.
void ExportPdf(DocumentView& view);

}  // namespace quirelle
