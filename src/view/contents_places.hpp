#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "layout/document_layout.hpp"
#include "package/book.hpp"
#include "package/contents_tree.hpp"

namespace quirelle {

// The open book's contents as the view follows them: where each entry leads in the reading
// order, and which entry the reader has reached. Entries are numbered depth first, parents
// before their children, as a tree shows them from top to bottom.
class ContentsPlaces {
  public:
    // Takes the contents of `book`, whose reading order the entries are placed in.
    void Open(std::vector<ContentsEntry> tree, const BookState& book);
    void Clear();

    const std::vector<ContentsEntry>& Tree() const { return tree_; }
    int EntryCount() const { return static_cast<int>(entries_.size()); }

    // The document of the reading order whose member path (from the archive's root, decoded) is
    // `memberPath`, or -1.
    int DocumentOf(std::string_view memberPath) const;

    // The entry the reader has reached, or -1 before the first one: the last, in reading order,
    // whose place is at or above the top of the view. `shown` is document `document` laid out
    // and scrolled by `scrollY` (nullptr, or a document of -1, when what is shown is no
    // document of the reading order). True when the entry changed.
    bool Follow(int document, const DocumentLayout* shown, double scrollY);
    int Current() const { return current_; }

  private:
    struct Entry {
        int document = -1;  // -1: not in the reading order, or no place at all
        std::string fragment;
    };
    // Where an entry stands: its document, and how far down the laid-out page it is.
    struct Place {
        int document;
        double y;
        int entry;
    };
    static bool InReadingOrder(const Place& a, const Place& b);
    void PlaceEntries(int document, const DocumentLayout* shown);

    std::vector<ContentsEntry> tree_;
    std::vector<Entry> entries_;
    std::unordered_map<std::string, int> documents_;

    // The entries' places, in reading order, for the layout they were measured on: the
    // fragments' positions are looked up only when the document or its layout change, so that
    // a scroll step costs a binary search.
    std::vector<Place> places_;
    int placedDocument_ = -2;
    const DocumentLayout* placedLayout_ = nullptr;
    double placedHeight_ = -1.0;
    double placedWidth_ = -1.0;
    double placedViewport_ = -1.0;
    double followedScroll_ = -1.0;
    int current_ = -1;
};

}  // namespace quirelle
