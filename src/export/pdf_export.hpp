#pragma once

#include <string>

namespace quirelle {

class DocumentView;
class LineBoxDump;

// PDF export of the view's book: documents from..to, one page each, 1000 points wide and as tall
// as the tallest of them, laid out by the same passes as the screen. The page on display is left
// as it was: its place, its links and the size it is laid out for.

// Raises the view's maxPageLength over documents from..to.
void MeasurePages(DocumentView& view, int from, int to);

// Writes documents from..to to a PDF file at `path`, one page each, as tall as maxPageLength.
// False when the file could not be written, or when the range is empty (from after to); then no
// file is written. With a `dump`, the line boxes of every page go to it as they are laid out.
bool ExportPdfPages(DocumentView& view, const std::string& path, int from, int to,
                    LineBoxDump* dump = nullptr);

// The export window's "Export": asks for the PDF file and exports the chosen range.
void ExportPdf(DocumentView& view);

}  // namespace quirelle
