#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/frontend.hpp"
#include "view/document_view_data.hpp"

namespace quirelle {

// The area of the main window where the book is shown, and the hub of the program: it owns the
// open book and every table, and every user action reaches the rest of the system as one of its
// methods. It reaches the interface only through its Frontend.
class DocumentView {
public:
    // Nothing when the view's tables and buffers cannot be allocated.
    static std::unique_ptr<DocumentView> Create(Frontend& frontend);

    explicit DocumentView(Frontend& frontend);
    DocumentView(const DocumentView&) = delete;
    DocumentView& operator=(const DocumentView&) = delete;

    // The view's data, at the same address for the view's whole life.
    DocumentViewData& Data() { return *data_; }
    const DocumentViewData& Data() const { return *data_; }
    Frontend& frontend() { return frontend_; }

    // Opening a book.
    void OpenRequester();
    void OpenBook(const std::string& path);

    // 1 opens the information panel; anything else folds it away.
    void ShowPanel(int state);
    void SetCover(const std::string& path);
    void SetTocHref(std::string_view reference);
    void SetNavHref(std::string_view reference);
    void ReadToc();
    void FillPageList();
    void SetPackageVersion(std::string_view version);
    // Forgets the tables of the previous book; the counts are reset by the loaders.
    void Reset();

    void ClearStyleRules();
    void LoadStyleSheets();
    void SetCssEnabled(bool enabled);

    // Page display.
    // Draws the page on display for a view of width x height pixels onto `target`, scrolled by
    // scrollY: the document is laid out afresh for that width. While no book is open it draws
    // nothing, and the area keeps its own background.
    void Draw(cairo_t* target, int width, int height);
    // One layout pass of `text` on `cr`; leaves contentHeight.
    void RenderPage(cairo_t* cr, std::string_view text);
    // A horizontal rule below the pen, which stays where it was.
    void DrawRule();
    // Makes the picture layer afresh for pageLength (kept between 100 and 30000 pixels).
    void ResizeLayoutSurface();
    // The current text style into the layout context; the second also takes the line height from
    // the font while text is gathered.
    void ApplyFont();
    void ApplyFontAndLineHeight();

    // Colours, from CSS colour texts; a text that names no colour keeps the previous one.
    void SetTextColor(std::string_view text);
    void SetBackgroundColor(std::string_view text);

    // Style sheets.
    void ApplyElementStyle(std::string_view key);
    void AddStyleBlock(std::string_view text);
    void ParseAllRules();

    // A link record for the text just drawn, from the pen back over linkWidth.
    void AddLink();
    void DrawAudioControls();

    // Page loading: shows document `index` of the reading order from its top, or the document a
    // link target names, and gives the page its length.
    void LoadPage(int index);
    void GotoTarget(std::string_view target);
    void SetScroll(double offset);

    // PDF export of documents from..to, one page each, 1000 points wide and as tall as the
    // tallest of them.
    void MeasurePages(int from, int to);
    bool ExportPdfPages(const std::string& path, int from, int to);
    // The export window's "Export": asks for the PDF file and exports the chosen range.
    void ExportPdf();

private:
    Frontend& frontend_;
    std::unique_ptr<DocumentViewData> data_;
};

}  // namespace quirelle
