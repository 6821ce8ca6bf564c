#pragma once

#include <string>
#include <string_view>

#include "platform/settings.hpp"

namespace quirelle {

// The five descriptive fields of the information panel.
enum class MetadataField { Title, Creator, Description, Publisher, Date };

// What the user did with a file requester.
struct FileRequest {
    enum class Result { Cancelled = 0, Chosen = 1, Failed = -1 };
    Result result = Result::Cancelled;
    std::string path;  // set when a file was chosen
};

// Where a note pops up: beside its link's rectangle on the page's area, with the size of the
// note's drawing.
struct NotePlacement {
    double linkX = 0, linkY = 0, linkWidth = 0, linkHeight = 0;
    double width = 0, height = 0;
};

// The core's whole view of the interface. Everything the document view shows or asks goes
// through here, so the GTK program and the headless command-line modes share all of the core.
// Texts for gadgets arrive in the locale's character set (see ToSystemCharset).
class Frontend {
  public:
    virtual ~Frontend() = default;

    virtual void SetStatus(std::string_view text) = 0;

    // The page list: one row per labelled document, at the document's index.
    virtual void ClearPageList() = 0;
    virtual void InsertPageListRow(int position, std::string_view label) = 0;
    // Marks a row active without loading its page again.
    virtual void SetActivePageRow(int index) = 0;

    virtual void SetPageSliderMaximum(int maximum) = 0;
    // The "From" and "To" sliders of the export window: both 0..maximum.
    virtual void SetExportRange(int maximum, int from, int to) = 0;
    // What the sliders stand at now.
    virtual int ExportFrom() const = 0;
    virtual int ExportTo() const = 0;
    // The paper the export window offers, as an index into its list ("As the book" first).
    virtual int ExportPaperChoice() const { return 0; }
    virtual void CloseExportWindow() = 0;

    // The page scrollbar: the page's total height and the visible part, in pixels.
    virtual void SetScrollRange(double total, double visible) = 0;
    // Moves the page slider by `steps` documents, and the page scrollbar by `pixels`; each keeps
    // within its own limits and tells the view of the change as a user's move would.
    virtual void StepPageSlider(int steps) = 0;
    virtual void ScrollPageBy(double pixels) = 0;
    // Shows the note the view laid out (DocumentView::PaintNote draws it) beside its link, until
    // the user closes it (Escape, a click elsewhere) or goes to the note.
    virtual void ShowNote(const NotePlacement& placement) = 0;
    // The book at `path` was opened: the desktop's list of recent files learns of it.
    virtual void BookOpened(const std::string& path) = 0;
    // Whether the Back and Forward buttons lead anywhere.
    virtual void SetHistoryButtons(bool canGoBack, bool canGoForward) = 0;
    // The open book's contents changed (a book was opened); the view's data holds them.
    virtual void ContentsChanged() {}
    // The contents entry the reader has reached, numbered depth first from 0; -1 for none.
    virtual void SetCurrentContentsEntry(int entry) { (void)entry; }

    virtual void SetMetadata(MetadataField field, std::string_view text) = 0;
    // The cover display shows `coverPath`: a member of the book at `archivePath`, or a file.
    virtual void ShowCover(const std::string& archivePath, const std::string& coverPath) = 0;
    // True shows the information panel, false folds it away.
    virtual void ShowPanel(bool open) = 0;

    // The busy pointer over the main window; shown before the work starts.
    virtual void SetBusy(bool busy) = 0;
    // A modal box with the text and the one button "Ok".
    virtual void ShowMessage(std::string_view text) = 0;
    // A modal file chooser. `pattern` is "#?.(EPU|EPUB)"-style: one or more suffixes.
    virtual FileRequest RequestFile(std::string_view title, bool saveMode, std::string_view pattern,
                                    std::string_view drawer) = 0;
    // Hands a web or mail address to the desktop; false when nothing there takes it.
    virtual bool OpenUrl(std::string_view url) = 0;
    // The view should be drawn again.
    virtual void Redraw() = 0;

    // The settings as they stand right now.
    virtual const Settings& CurrentSettings() const = 0;
};

// Shows the busy pointer for as long as it lives.
class BusyPointer {
  public:
    explicit BusyPointer(Frontend& frontend) : frontend_(frontend) { frontend_.SetBusy(true); }
    ~BusyPointer() { frontend_.SetBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

  private:
    Frontend& frontend_;
};

}  // namespace quirelle
