#pragma once

#include <cairo.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/frontend.hpp"
#include "platform/place_store.hpp"
#include "platform/reading_place.hpp"
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

    // Opening a book. A book that cannot be opened leaves the one on display as it was, whole,
    // and says why in the status line and on stderr (a protected one with the message box).
    void OpenRequester();
    // True when the book was opened.
    bool OpenBook(const std::string& path);
    // Reads the book at `path` (already probed readable): container, package document, table of
    // contents, metadata and cover, page list, then the first document. False when it has no
    // package document to read; then nothing changes.
    bool LoadBook(const std::string& path);

    // The diagnostic switches from the program's tool types, read once at start. Without a
    // readable tool-type file the switches stay as they are.
    void ReadToolTypes();

    // 1 opens the information panel; anything else folds it away.
    void ShowPanel(int state);
    void SetCover(const std::string& path);
    void ReadToc();
    void FillPageList();
    // Forgets the tables of the previous book; the counts are reset by the loaders.
    void Reset();

    void SetCssEnabled(bool enabled);

    // Page display.
    // Draws the page on display for a view of width x height pixels onto `target`, scrolled by
    // scrollY: the document is laid out afresh for that width. While no book is open it draws
    // nothing, and the area keeps its own background.
    void Draw(cairo_t* target, int width, int height);
    // Lays `text` out afresh on `cr` (whose surface decides the fonts' metrics) at the view's
    // width and draws all of it from the scroll offset down; the layout stays in data.rendered.
    void RenderPage(cairo_t* cr, std::string_view text);
    // Paints `height` rows of a laid-out page from `scrollY` on, with its canvas and the bars
    // of its sounds.
    void PaintDocument(cairo_t* cr, const PageLayout& page, double scrollY, double height);
    void DrawAudioBar(cairo_t* cr, double x, double y);
    // Input over the page. Keys and the wheel move through the book and scroll the page; they
    // are handed over only while the pointer is over the page.
    // ScreenDown and ScreenUp (Space and Shift+Space) move by a screenful, on into the next or
    // previous document at an end; Home and End go to the document's start and end; Back and
    // Forward go through the places left by jumps.
    enum class Key {
        PageUp,
        PageDown,
        Left,
        Right,
        Up,
        Down,
        WheelUp,
        WheelDown,
        ScreenDown,
        ScreenUp,
        Home,
        End,
        Back,
        Forward
    };
    void HandleKey(Key key, bool shifted);
    // The left button released at (x, y) of the page's area: every link under it is followed,
    // in the order they were drawn.
    void PointerReleased(double x, double y);
    // The pointer moved to (x, y): the status line shows the target of the link under it.
    void PointerMoved(double x, double y);
    // Follows a link: into the book, out to the desktop for a web or mail address, or (an audio
    // button) to the player.
    void FollowLink(const LinkRecord& link);

    // Sound from the book: the member whose name holds `name`, or bytes in memory. A sound
    // playing before ends first.
    void PlayAudioFile(std::string_view name);
    void PlayAudioData(std::vector<unsigned char> data);

    // Page loading: shows document `index` of the reading order from its top, or the document a
    // link target names, and gives the page its length. An index outside the book changes
    // nothing. A document that cannot be read shows as an empty page, the status line says so,
    // and the result is false.
    bool LoadPage(int index);
    // Shows what a reference of the document on display names: a document of the book (by a
    // path relative to the one on display, percent-escaped or not) and, after a '#', the element
    // with that id (or `a name`) at the top of the view. A fragment the document does not hold
    // shows the document's top and says so in the status line.
    void GotoTarget(std::string_view target);
    // Goes to what a contents entry names: a member path from the archive's root, decoded, with
    // any "#fragment", as a link does (the place left is kept for Back). A member outside the
    // reading order is not shown; the status line says so and the result is false. A web
    // address goes to the desktop.
    bool GoToMember(std::string_view memberPathWithFragment);
    // Tells the frontend which contents entry the view's top has reached, when that changed
    // since the last call (the document, its layout or the scroll).
    void FollowContents();
    // The scrollbar moved to `offset` pixels of the screen.
    void SetScroll(double offset);
    // How far the page is scrolled, in pixels of the screen (the scrollbar's units).
    double ScrollOffsetOnScreen() const;
    // Gives the scrollbar the page's length and the view's height, in pixels of the screen.
    void TellScrollRange();
    // Scrolls the page on display to `y` (layout units, as the layout places fragments and
    // words), kept within the page, and moves the scrollbar there.
    void ScrollTo(double y);

    // Places. The place of the view: its document and the first word in view.
    ReadingPlace CurrentPlace() const;
    // Shows `place`: its document (loaded unless it is on display) with the place's line at the
    // top. False when the document cannot be shown.
    bool ShowPlace(const ReadingPlace& place);
    // Goes to document `index` as the user asked (the page list, the slider), keeping the place
    // left for Back. False as LoadPage.
    bool GoToDocument(int index);
    // Follows a reference as a link does: the place left is kept for Back.
    void Jump(std::string_view target);
    // Shows `place` as following a link does: the place left is kept for Back. False as
    // ShowPlace.
    bool JumpToPlace(const ReadingPlace& place);
    void GoBack();
    void GoForward();
    // Notes. A link to a note (marked `epub:type="noteref"`, or to an element marked as a
    // footnote, endnote, rearnote or note, or to an `aside`) shows the note beside it instead
    // of leaving the page: true when `link` is one and its note is shown.
    bool ShowNote(const LinkRecord& link);
    // Paints the note shown last on `cr`, `width` x `height` from its top.
    void PaintNote(cairo_t* cr, double width, double height);
    // Leaves the page for the note shown last, as its link would have.
    void GoToNote();
    // The settings changed: the page is laid out again at once, with the first word in view
    // kept at the top.
    void SettingsChanged();
    // Where the places of books are kept: each book opens at its kept place, and leaves its
    // place there when another book is opened or RememberPlace is called. Without a store (the
    // command line, tests) books open at their start and nothing is written.
    void KeepPlacesIn(PlaceStore* store) { placeStore_ = store; }
    // Writes the open book's place to the store.
    void RememberPlace();

    // The marks of a search: every hit added is marked wherever its document is on display,
    // until the marks are cleared (or another book opens).
    void ClearSearchMarks();
    // Adds the hits of document `document`, each [offset, end).
    void AddSearchMarks(int document, std::vector<SearchMarks::Span> hits);

    // Says on the status line and on stderr that a book could not be opened, and why.
    void ReportOpenFailure(const std::string& path, std::string_view reason);

    // Lays the document on display out for the view's area, unless it already is for this
    // width, these settings and this CSS switch (or `again` asks for it anyway). False when
    // there is nothing to lay out.
    bool LayOutShown(bool again);
    // Whether the document on display is laid out for the area, settings and switch of now.
    bool ShownLayoutIsCurrent() const;
    // What the layout of a document of this book reads besides its text: the settings, the CSS
    // switch, the book's members and the pictures' sizes.
    StyleInputs StyleInputsFor(const Settings& settings);
    PictureSizer PictureSizes();

  private:
    // Document `text` (the one on display) laid out for the view's area on `cr`'s metrics; the
    // picture dump, when it is on, gets its pictures.
    std::unique_ptr<DocumentLayout> LayOutForView(std::string_view text, cairo_t* cr,
                                                  const Settings& settings, double width,
                                                  double height);

    // Shows document `row` of the reading order from its top, for a jump into it.
    void ShowDocumentForJump(int row);
    // Scrolls the element with the id `fragment` (or `a name`) of the page on display to the top
    // of the view; an empty fragment is the top, a missing one too, and the status line says so.
    void ScrollToFragment(const std::string& fragment);

    // Tells the frontend whether Back and Forward lead anywhere.
    void UpdateHistoryButtons();
    // The row of the reading order that a reference written in the document on display names,
    // by its path or else by its file's name; -1 when none does.
    int DocumentRowOf(std::string_view written) const;
    // Moves a screenful down (+1) or up (-1), on into the next or previous document at an end.
    void MoveByScreen(int direction);

    Frontend& frontend_;
    PlaceStore* placeStore_ = nullptr;
    // The open book's key in the place store (a digest of the file can take a while to make).
    std::string bookKey_;
    // What the status line shows for the link under the pointer.
    std::string hoverText_;
    std::unique_ptr<DocumentViewData> data_;
};

}  // namespace quirelle
