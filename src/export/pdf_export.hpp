#pragma once

#include <ostream>
#include <string>

namespace quirelle {

class DocumentView;

// PDF export of the view's book: documents from..to, each laid out by the same engine as the
// screen, on its own (the page on display is left as it was), on pages 1000 points wide. A page is
// as tall as its document up to 14,400 points, the most PDF viewers and printers take; a taller
// document goes on over further pages, cut between lines and never through a picture that fits.

// Notes the pictures of documents from..to, to be decoded ahead of the export.
void MeasurePages(DocumentView& view, int from, int to);

// Writes documents from..to to a PDF file at `path`, each starting a new page, and raises the
// view's maxPageLength to the tallest of them.
// False when the file could not be written, or when the range is empty (from after to); then no
// file is written. With a `dump`, the layout of every page goes to it (WritePageLayoutDump).
bool ExportPdfPages(DocumentView& view, const std::string& path, int from, int to,
                    std::ostream* dump = nullptr);

// The export window's "Export": asks for the PDF file and exports the chosen range.
void ExportPdf(DocumentView& view);

}  // namespace quirelle
