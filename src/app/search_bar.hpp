#pragma once

#include <glibmm/dispatcher.h>
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/label.h>
#include <gtkmm/listbox.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/searchbar.h>
#include <gtkmm/searchentry.h>
#include <gtkmm/shortcutcontroller.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "search/book_search.hpp"

namespace quirelle {

class DocumentView;

// The hit within its context as Pango markup: the context escaped, the hit in bold.
std::string HitMarkup(const SearchHit& hit);

// The search of the open book, over the page: the term, the switches for case and whole words,
// and the hits listed by document as they are found. Every keystroke starts the search afresh,
// cancelling the one before. Enter (or F3) goes to the next hit, Shift+Enter (Shift+F3) to the
// previous one, across documents and round the book; a click on a listed hit goes there. Escape
// closes the bar; the hits stay marked on the page until the next search.
class SearchBar : public Gtk::SearchBar {
  public:
    SearchBar();
    ~SearchBar() override;
    SearchBar(const SearchBar&) = delete;
    SearchBar& operator=(const SearchBar&) = delete;

    void Attach(DocumentView& view);
    // F3 and Shift+F3, wherever the focus is in the window.
    Glib::RefPtr<Gtk::ShortcutController> BuildShortcuts();

    // Opens the bar with the keyboard in the entry and the term selected, to be typed over.
    void Open();
    // Goes to the next (+1) or previous (-1) hit. Without a hit gone to yet, that is the first
    // hit after the place in view (or the last before it).
    void GoToNextHit(int direction);
    // Another book was opened: the search and its hits belong to the one before.
    void BookChanged();
    // Whether the keyboard is in the bar, where keys are typing, not moving through the page.
    bool HasKeyboard() const;

    Gtk::SearchEntry& entry() { return entry_; }
    Gtk::CheckButton& matchCase() { return matchCase_; }
    Gtk::CheckButton& wholeWords() { return wholeWords_; }
    const Gtk::Label& count() const { return count_; }
    Gtk::ListBox& results() { return results_; }
    // The hits found so far, in reading order, and the one gone to last (-1 for none).
    const std::vector<SearchHit>& Hits() const { return hits_; }
    int CurrentHit() const { return current_; }
    bool Searching() const { return search_ != nullptr && !done_; }

  private:
    void Restart();
    void StopSearch();
    void ClearResults();
    void TakeArrived();
    void ListDocument(const DocumentHits& found);
    // The headings of the list: each document's label in the book's contents.
    void NameDocuments();
    void GoToHit(int index);
    void ShowCount();

    DocumentView* view_ = nullptr;

    Gtk::Box column_{Gtk::Orientation::VERTICAL};
    Gtk::Box controls_{Gtk::Orientation::HORIZONTAL};
    Gtk::SearchEntry entry_;
    Gtk::Button previous_;
    Gtk::Button next_;
    Gtk::CheckButton matchCase_{"Match case"};
    Gtk::CheckButton wholeWords_{"Whole words"};
    Gtk::Label count_;
    Gtk::ScrolledWindow resultsWindow_;
    Gtk::ListBox results_;

    // What the workers found, waiting for the main loop, which alone touches the widgets.
    std::mutex arrivedMutex_;
    std::vector<DocumentHits> arrived_;
    bool arrivedDone_ = false;
    unsigned generation_ = 0;  // of the search running; what an older one sends is dropped
    Glib::Dispatcher arrivedSignal_;

    // What the search running (or done) looks for, and in which book.
    std::string term_;
    SearchOptions options_;
    std::string bookPath_;
    std::vector<std::string> headings_;  // by document; read once a book has hits

    std::vector<SearchHit> hits_;
    // The hit of each row of the list, -1 for a document's heading; the row of each listed hit.
    std::vector<int> rowHits_;
    std::vector<int> hitRows_;
    int current_ = -1;
    // A step asked for beyond the hits found so far, taken when more arrive.
    int pendingStep_ = 0;
    // The first hit gone to in a search keeps the place left for Back; the ones after it do not,
    // so that Back leaves the search at once.
    bool jumped_ = false;
    bool done_ = false;

    // Last: it ends, and its workers with it, before what they deliver to goes.
    std::unique_ptr<BookSearch> search_;
};

}  // namespace quirelle
