#pragma once

#include "layout/document_layout.hpp"
#include "layout/font_cache.hpp"
#include "layout/link_record.hpp"
#include "layout/picture_store.hpp"
#include "media/audio_player.hpp"
#include "package/archive.hpp"
#include "package/archive_buffer.hpp"
#include "package/book.hpp"
#include "package/debug_switches.hpp"
#include "paint/color_theme.hpp"
#include "platform/cairo_handles.hpp"
#include "platform/settings.hpp"
#include "view/contents_places.hpp"
#include "view/reading_history.hpp"
#include "view/search_marks.hpp"
#include "view/view_scale.hpp"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace quirelle {

// The document view's store: the open book, the document on display and the state of the page.
// The view creates it once and keeps it at the same address for its whole life.
struct DocumentViewData {
    BookState book;
    ArchiveBuffer documentText = ArchiveBuffer::WithCapacity(kDocumentTextCapacity);

    int currentPage = 1;  // index in book.documents of the page on display
    // The status line says that the page on display could not be read.
    bool unreadablePageTold = false;
    double scrollRange = 0.0;
    double maxPageLength = 0.0;  // tallest page of the export range, once measured
    // The note shown beside its link, laid out on its own, and the reference that goes to it;
    // null while no note has been shown.
    std::unique_ptr<DocumentLayout> note;
    std::string noteTarget;
    // The places the reader jumped from in the open book, for Back and Forward.
    ReadingHistory history;
    // The open book's contents, read once when it opens, and the entry the reader has reached.
    ContentsPlaces contents;
    // The pictures each document placed when it was last measured for an export, by index in
    // book.documents: writing a page, the export decodes those of the next one meanwhile.
    std::unordered_map<int, std::vector<std::string>> measuredPictures;

    DebugSwitches debug;
    // Whether the book's own style sheets are used at all (the "CSS" switch).
    bool cssEnabled = true;

    // The view's area in device pixels, and how far the page is scrolled in layout units.
    int areaWidth = 0;
    int areaHeight = 0;
    double scrollY = 0.0;

    // The fonts handed to cairo so far, shared by every layout of the view and the export.
    FontCache fonts;
    // The book's pictures: their sizes and the decoded copies the painter draws from.
    PictureStore pictureStore;

    // The hyperlinks and audio buttons of the rows on view, in the order they were laid out,
    // which is the order a click follows them in.
    std::vector<LinkRecord> links;

    // The play, pause and stop icons of the audio bar, read once from "pic" beside the program;
    // an icon that cannot be read stays empty and its button shows nothing.
    CairoSurface audioIcons[3];
    bool audioIconsRead = false;

    // The document on display, laid out once for the view's width: every draw and scroll step
    // paints from it. It is laid out again when the width, the settings or the CSS switch
    // change. `shownPath` is the document's path in the book, which its references start from.
    std::unique_ptr<DocumentLayout> shown;
    // What RenderPage laid out last (an export page, a test's document), kept for inspection.
    std::unique_ptr<DocumentLayout> rendered;
    std::string shownPath;
    Settings shownSettings;
    // How `shown` sits in the view: its zoom and column. Every conversion between the view's
    // pixels and the layout goes through it.
    ViewScale shownScale;
    bool shownCss = true;
    // The open book's sheets, read once for all its documents and cleared with the book.
    SheetCache sheets;

    // The colours the screen shows the page in, and those of the paint under way: the screen's
    // inside Draw, the book's own elsewhere, so that an export is in Day unless asked.
    ColorTheme screenTheme;
    ColorTheme paintTheme;

    // The surface each draw paints the page on, kept while the view keeps its size.
    CairoSurface pageSurface;

    // The hits of the last search, marked on the page; cleared with the book.
    SearchMarks searchMarks;

    // The sound of the book that plays, if any; audioPaused is flipped by every pause button.
    AudioPlayer audio;
    bool audioPaused = false;
};

}  // namespace quirelle
