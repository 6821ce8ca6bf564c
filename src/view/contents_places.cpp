#include "view/contents_places.hpp"

#include <algorithm>
#include <tuple>

namespace quirelle {

namespace {

// Scroll offsets come out of layout arithmetic; a place this close to the top counts as reached.
constexpr double kReachedSlack = 0.5;

void Flatten(const std::vector<ContentsEntry>& entries, std::vector<const ContentsEntry*>& out) {
    for (const ContentsEntry& entry : entries) {
        out.push_back(&entry);
        Flatten(entry.children, out);
    }
}

}  // namespace

void ContentsPlaces::Open(std::vector<ContentsEntry> tree, const BookState& book) {
    Clear();
    tree_ = std::move(tree);
    for (int i = 0; i < book.documentCount; ++i) {
        // A book that lists a member twice in its reading order is entered at the first.
        documents_.emplace(PackageMemberPath(book, book.documents[i].href), i);
    }
    std::vector<const ContentsEntry*> flat;
    Flatten(tree_, flat);
    entries_.reserve(flat.size());
    for (const ContentsEntry* entry : flat) {
        const std::size_t hash = entry->href.find('#');
        Entry placed;
        if (!entry->href.empty()) {
            placed.document = DocumentOf(std::string_view(entry->href).substr(0, hash));
        }
        if (hash != std::string::npos) {
            placed.fragment = entry->href.substr(hash + 1);
        }
        entries_.push_back(std::move(placed));
    }
}

void ContentsPlaces::Clear() {
    tree_.clear();
    entries_.clear();
    documents_.clear();
    places_.clear();
    placedDocument_ = -2;
    placedLayout_ = nullptr;
    followedScroll_ = -1.0;
    current_ = -1;
}

int ContentsPlaces::DocumentOf(std::string_view memberPath) const {
    const auto found = documents_.find(std::string(memberPath));
    return found == documents_.end() ? -1 : found->second;
}

bool ContentsPlaces::InReadingOrder(const Place& a, const Place& b) {
    // Of entries at one place (a part and its first chapter) the later, deeper one is reached.
    return std::tie(a.document, a.y, a.entry) < std::tie(b.document, b.y, b.entry);
}

void ContentsPlaces::PlaceEntries(int document, const DocumentLayout* shown) {
    places_.clear();
    // The view cannot scroll a place below the last screenful to its top; such a place counts as
    // reached once the view is at the end, or jumping to it would never mark it.
    const double lowest = shown ? std::max(0.0, shown->page.height - shown->viewportHeight) : 0.0;
    // Nothing is read above the first line (a heading below the body's margin): a place there is
    // the document's start, reached as soon as the document is.
    const double firstLine =
        shown && !shown->page.lines.empty() ? shown->page.lines.front().top : 0.0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        if (entry.document < 0) {
            continue;
        }
        double y = 0.0;
        if (entry.document == document && shown && !entry.fragment.empty()) {
            // A fragment the document does not hold is its top, where a jump to it lands.
            y = std::min(shown->page.PositionOf(shown->tree, entry.fragment).value_or(0.0), lowest);
            if (y <= firstLine) {
                y = 0.0;
            }
        }
        places_.push_back({entry.document, y, static_cast<int>(i)});
    }
    std::sort(places_.begin(), places_.end(), InReadingOrder);
}

bool ContentsPlaces::Follow(int document, const DocumentLayout* shown, double scrollY) {
    if (shown == nullptr) {
        document = -1;
    }
    const bool relaidOut =
        document != placedDocument_ || shown != placedLayout_ ||
        (shown && (shown->page.height != placedHeight_ || shown->width != placedWidth_ ||
                   shown->viewportHeight != placedViewport_));
    if (!relaidOut && scrollY == followedScroll_) {
        return false;
    }
    if (relaidOut) {
        PlaceEntries(document, shown);
        placedDocument_ = document;
        placedLayout_ = shown;
        placedHeight_ = shown ? shown->page.height : -1.0;
        placedWidth_ = shown ? shown->width : -1.0;
        placedViewport_ = shown ? shown->viewportHeight : -1.0;
    }
    followedScroll_ = scrollY;
    if (document < 0) {
        // Another member on display: the reader is still where the reading order was left.
        return false;
    }
    const Place top{document, scrollY + kReachedSlack, EntryCount()};
    const auto after = std::upper_bound(places_.begin(), places_.end(), top, InReadingOrder);
    const int reached = after == places_.begin() ? -1 : std::prev(after)->entry;
    if (reached == current_) {
        return false;
    }
    current_ = reached;
    return true;
}

}  // namespace quirelle
